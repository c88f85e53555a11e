// Memory summaries of an 18F452 build from fixture map files: the reports
// against a hand-checked listing, the side files against the screen, the
// HEX usage map from a real hex merger log, and malformed map lines.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "common/alert.h"
#include "common/lists.h"
#include "driver/memory.h"
#include "driver/state.h"
#include "driver/summary.h"
#include "support.h"

namespace {

const std::string fixtures = std::string(TOVRA_TEST_DIR) + "/fixtures/summary/";

// An Intel HEX data record.
std::string hex_record(unsigned address, const std::vector<unsigned> &data) {
  std::vector<unsigned> bytes = {unsigned(data.size()), address >> 8, address & 0xFF, 0};
  bytes.insert(bytes.end(), data.begin(), data.end());
  unsigned sum = 0;
  std::string text = ":";
  char digits[3];
  for (unsigned b : bytes) {
    snprintf(digits, sizeof digits, "%02X", b);
    text += digits;
    sum += b;
  }
  snprintf(digits, sizeof digits, "%02X", (0x100 - sum % 0x100) % 0x100);
  return text + digits + "\n";
}

class summary_test : public ::testing::Test {
 protected:
  void SetUp() override { chip({"--chip=18F452", "-Q"}); }

  void chip(const std::vector<std::string> &options) {
    run_driver_options(options);
    describe_psects();
    messages.clear();
  }

  memory_map read_map_text(const std::string &text) { return read_map(scratch.file("test.map", text)); }

  memory_map read_map(const std::string &path) {
    memory_map map;
    FILE *file = fopen(path.c_str(), "r");
    EXPECT_TRUE(file) << path;
    if (!file) return map;
    mapinfo_read(file, &mem_spaces, map);
    fclose(file);
    return map;
  }

  std::string print(const memory_map &map, const summary_request &request) {
    messages.clear();
    summary_print(map, mem_spaces, request);
    return messages.text();
  }

  // The hex merger's log of a small image, as the build leaves it beside the output.
  std::string make_hex_log() {
    std::string hex = scratch.file("prog.hex", hex_record(0, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}) +
                                                   hex_record(0x100, {0x11, 0x22}) + ":00000001FF\n");
    std::string command = "cd '" + scratch.path() + "' && '" + TOVRA_STAGE + "/bin/tessik' prog.hex -logfile=prog.hxl -Oprog.hex >/dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0);
    return read_file(scratch.path() + "/prog.hxl");
  }

  static summary_request all_reports() {
    summary_request request;
    request.reports = SUMMARY_PSECT | SUMMARY_CLASS | SUMMARY_MEM | SUMMARY_HEX;
    return request;
  }

  scratch_dir scratch;
  message_capture messages;
};

// The fixture places psects in code, data, EEPROM, ID and configuration
// classes, a 9-bit bit psect in COMRAM (2 bytes), a numbered psect that takes
// its description from its stem, and a class the chip does not have, which
// shows in the psect map (space OTHER) but in neither usage report.
TEST_F(summary_test, reports_of_a_map) {
  memory_map map = read_map(fixtures + "prog.map");
  EXPECT_TRUE(messages.lines().empty()) << messages.text();
  summary_request request;
  request.reports = SUMMARY_PSECT | SUMMARY_CLASS | SUMMARY_MEM;
  EXPECT_EQ(print(map, request), read_file(fixtures + "prog.expected"));
}

TEST_F(summary_test, mem_alone_is_the_summary_only) {
  memory_map map = read_map(fixtures + "prog.map");
  summary_request request;
  request.reports = SUMMARY_MEM;
  EXPECT_EQ(print(map, request),
            "Memory Summary:\n"
            "    Program space        used   226h (   550) of  8000h bytes   (  1.7%)\n"
            "    Data space           used   12Ch (   300) of   600h bytes   ( 19.5%)\n"
            "    EEPROM space         used     4h (     4) of   100h bytes   (  1.6%)\n"
            "    ID Location space    used     8h (     8) of     8h bytes   (100.0%)\n"
            "    Configuration bits   used     Eh (    14) of     Eh bytes   (100.0%)\n"
            "\n");
}

TEST_F(summary_test, psect_map_without_psects_has_minimum_widths) {
  memory_map map = read_map_text("TOTAL           Name          Link     Load   Length  Space\n\n");
  summary_request request;
  request.reports = SUMMARY_PSECT;
  EXPECT_EQ(print(map, request),
            "\nPsect Usage Map:\n\n"
            " Psect | Contents | Memory Range  | Size\n"
            "-------|----------|---------------|-----------\n"
            "\n");
}

TEST_F(summary_test, long_names_and_descriptions_are_cut_to_their_columns) {
  memory_map map = read_map_text(
      "TOTAL           Name          Link     Load   Length  Space\n"
      "        CLASS   CODE\n"
      "                ifardata   12345678 12345678 100000 0\n"
      "                averyveryverylongname   10 10 4 0\n\n");
  summary_request request;
  request.reports = SUMMARY_PSECT;
  std::string text = print(map, request);
  EXPECT_NE(text.find("\n ifardata   | Off-chip initialized variables (RO | 12345678h - 12445677h | 1048576 bytes  \n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("\n averyveryv |                                    | 00000010h - 00000013h |     4 bytes  \n"),
            std::string::npos)
      << text;
}

TEST_F(summary_test, columns_follow_the_heading) {
  memory_map map = read_map_text(
      "TOTAL   Name   Length   Load   Link\n"
      "        CLASS   RAM\n"
      "                bss      10      300      200\n");
  ASSERT_EQ(map.classes.size(), 1u);
  ASSERT_EQ(map.classes[0].psects.size(), 1u);
  const summary_psect &p = map.classes[0].psects[0];
  EXPECT_EQ(p.name, "bss");
  EXPECT_EQ(p.link, 0x200u);
  EXPECT_EQ(p.load, 0x300u);
  EXPECT_EQ(p.size, 0x10u);
  EXPECT_EQ(p.description, "RAM variables");
}

// Each bad line is reported and skipped; the rest of the table is read.
TEST_F(summary_test, malformed_map_lines) {
  const std::string heading = "TOTAL           Name          Link     Load   Length  Space\n";
  const std::string good_class = "        CLASS   RAM\n                bss     60     60     20     1\n\n";
  const struct {
    const char *name;
    std::string text;
    std::vector<unsigned> numbers;
    std::vector<std::string> psects;
  } cases[] = {
      {"no psect table", "Linker command line:\n\n-z\n", {1282}, {}},
      {"a line outside a class", heading + "        garbage\n" + good_class, {162, 1284}, {"bss"}},
      {"a class line without a name", heading + "        CLASS\n" + good_class, {162, 1284}, {"bss"}},
      {"link not hexadecimal",
       heading + "        CLASS   CODE\n                text   zz   0   4   0\n                init  10  10   2   0\n\n" +
           good_class,
       {162, 1286},
       {"init", "bss"}},
      {"no load", heading + "        CLASS   CODE\n                text   10\n                init  10  10   2   0\n\n" + good_class,
       {162, 1287},
       {"init", "bss"}},
      {"no length", heading + "        CLASS   CODE\n                text   10   10\n\n" + good_class, {162, 1288}, {"bss"}},
      {"a number wider than 32 bits",
       heading + "        CLASS   CODE\n                text   10   10   123456789   0\n\n" + good_class,
       {162, 1288},
       {"bss"}},
      {"a heading without Link", "TOTAL   Name   Load   Length\n" + good_class, {162, 1286}, {}},
      {"a class block at the end of the file", heading + "        CLASS   RAM\n                bss     60     60     20", {}, {"bss"}},
      {"NON-CLASSED ends the table", heading + good_class + "        NON-CLASSED\n                stray  0  0  1  0\n", {}, {"bss"}},
  };
  for (const auto &c : cases) {
    messages.clear();
    memory_map map = read_map_text(c.text);
    EXPECT_EQ(messages.numbers(), c.numbers) << c.name << "\n" << messages.text();
    std::vector<std::string> names;
    for (const summary_class &cls : map.classes)
      for (const summary_psect &p : cls.psects) names.push_back(p.name);
    EXPECT_EQ(names, c.psects) << c.name;
  }
}

TEST_F(summary_test, hex_usage_map_is_the_log_from_its_legend) {
  std::string log = make_hex_log();
  size_t legend = log.find(" Legend:");
  ASSERT_NE(legend, std::string::npos) << log;
  EXPECT_NE(log.find("00000100: 11---"), std::string::npos) << log;
  summary_request request;
  request.reports = SUMMARY_HEX;
  request.file_stem = scratch.path() + "/prog.";
  EXPECT_EQ(print(memory_map{}, request), "HEX File Usage Map:\n\n" + log.substr(legend) + "\n");
}

TEST_F(summary_test, hex_usage_map_needs_a_log_with_a_legend) {
  summary_request request;
  request.reports = SUMMARY_HEX;
  request.file_stem = scratch.path() + "/prog.";
  EXPECT_EQ(print(memory_map{}, request), "");
  scratch.file("prog.hxl", "### TESSIK logfile and output summary ###\n### Memory Usage ###\n");
  EXPECT_EQ(print(memory_map{}, request), "");
}

TEST_F(summary_test, side_files_hold_what_the_screen_shows) {
  make_hex_log();
  memory_map map = read_map(fixtures + "prog.map");
  summary_request request = all_reports();
  request.file_stem = scratch.path() + "/prog.";
  request.side_files = true;
  std::string screen = print(map, request);
  EXPECT_TRUE(messages.numbers().empty()) << screen;
  std::string sides;
  for (const char *ext : {"pum", "mcu", "mum", "hum"}) {
    std::string side = read_file(request.file_stem + ext);
    EXPECT_FALSE(side.empty()) << ext;
    sides += side;
  }
  EXPECT_EQ(sides, screen);
  EXPECT_EQ(read_file(request.file_stem + "mum").rfind("Memory Summary:\n", 0), 0u);
}

TEST_F(summary_test, side_files_are_written_only_for_the_reports_asked) {
  memory_map map = read_map(fixtures + "prog.map");
  summary_request request;
  request.reports = SUMMARY_CLASS;
  request.file_stem = scratch.path() + "/prog.";
  request.side_files = true;
  print(map, request);
  namespace fs = std::filesystem;
  EXPECT_TRUE(fs::exists(request.file_stem + "mcu"));
  for (const char *ext : {"pum", "mum", "hum"}) EXPECT_FALSE(fs::exists(request.file_stem + ext)) << ext;
}

TEST_F(summary_test, side_files_that_cannot_be_written) {
  memory_map map = read_map(fixtures + "prog.map");
  summary_request request = all_reports();
  request.file_stem = scratch.path() + "/missing/prog.";
  request.side_files = true;
  print(map, request);
  EXPECT_EQ(messages.numbers(), (std::vector<unsigned>{891, 891, 892, 893}));
}

// After a failed pass only the psect and HEX maps are printed, and no side file is written.
TEST_F(summary_test, a_failed_pass_leaves_out_the_usage_reports) {
  std::string log = make_hex_log();
  memory_map map = read_map(fixtures + "prog.map");
  summary_request request = all_reports();
  request.file_stem = scratch.path() + "/prog.";
  request.side_files = true;
  request.pass_failed = true;
  std::string text = print(map, request);
  EXPECT_NE(text.find("Psect Usage Map:"), std::string::npos);
  EXPECT_NE(text.find("HEX File Usage Map:"), std::string::npos);
  EXPECT_EQ(text.find("Memory Class Usage:"), std::string::npos);
  EXPECT_EQ(text.find("Memory Summary:"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(request.file_stem + "pum"));
}

TEST_F(summary_test, ide_morvel_writes_only_side_files) {
  memory_map map = read_map(fixtures + "prog.map");
  summary_request request;
  request.reports = SUMMARY_MEM;
  request.ide = IDE_MORVEL;
  request.file_stem = scratch.path() + "/prog.";
  request.side_files = true;
  EXPECT_EQ(print(map, request), "");
  std::string side = read_file(request.file_stem + "mum");
  EXPECT_EQ(side.rfind("Summary:\n    Program space        used   226h", 0), 0u) << side;
}

TEST_F(summary_test, ide_studio_prints_on_standard_output) {
  memory_map map = read_map(fixtures + "prog.map");
  summary_request request;
  request.reports = SUMMARY_PSECT | SUMMARY_CLASS | SUMMARY_MEM;
  std::string through_messages = print(map, request);
  request.ide = IDE_STUDIO;
  testing::internal::CaptureStdout();
  std::string through_messages_now = print(map, request);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), through_messages);
  EXPECT_EQ(through_messages_now, "");
}

// A chip with more RAM: the classes and the totals follow the chip.
TEST_F(summary_test, totals_follow_the_chip) {
  chip({"--chip=18F4620", "-Q"});
  memory_map map = read_map(fixtures + "prog.map");
  summary_request request;
  request.reports = SUMMARY_MEM;
  std::string text = print(map, request);
  EXPECT_NE(text.find("    Program space        used   226h (   550) of 10000h bytes   (  0.8%)\n"), std::string::npos)
      << text;
  EXPECT_NE(text.find("    Data space           used   12Ch (   300) of   F80h bytes   (  7.6%)\n"), std::string::npos)
      << text;
}

// The entry points the build and --memmap call, with the driver's own settings.
TEST_F(summary_test, after_link_writes_side_files_beside_the_output) {
  chip({"--chip=18F452", "-Q", "--summary=psect,mem,file", "-O" + scratch.path() + "/prog.hex"});
  summary_after_link((fixtures + "prog.map").c_str());
  std::string screen = messages.text();
  EXPECT_TRUE(messages.numbers().empty()) << screen;
  EXPECT_EQ(read_file(scratch.path() + "/prog.pum") + read_file(scratch.path() + "/prog.mum"), screen);
}

TEST_F(summary_test, memmap_prints_without_side_files) {
  chip({"--chip=18F452", "-Q", "--summary=mem,file", "-O" + scratch.path() + "/prog.hex"});
  summary_memmap((fixtures + "prog.map").c_str());
  EXPECT_NE(messages.text().find("Memory Summary:\n    Program space        used   226h"), std::string::npos)
      << messages.text();
  EXPECT_FALSE(std::filesystem::exists(scratch.path() + "/prog.mum"));
}

TEST_F(summary_test, an_unreadable_map_is_reported) {
  summary_after_link((scratch.path() + "/none.map").c_str());
  summary_memmap((scratch.path() + "/none.map").c_str());
  EXPECT_EQ(messages.numbers(), (std::vector<unsigned>{141, 141}));
}

}  // namespace
