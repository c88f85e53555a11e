// forvane's command line, format keys, output names and the completion of
// the model: line ends, per-file arrays, merged data blocks and segments.
#include <gtest/gtest.h>

#include "common/alloc.h"
#include "common/vector.h"
#include "symconv/tests/forvane_fixture.h"

namespace {

using ForvaneDriver = ForvaneTest;

TEST_F(ForvaneDriver, FormatKeysAndPrefixes) {
  struct {
    const char *key;
    int format;
    std::vector<unsigned> messages;
  } cases[] = {
      {"cod", 7, {}},   {"c", 7, {603}},   {"el", 11, {}}, {"COD", 0, {604}}, {"", 0, {602}},
      {"quen", 1, {}},  {"ihex", 5, {}},   {"s", 6, {}},   {"ti", 15, {}},    {"o", 4, {}},
      {"omf", 4, {}},   {"e", 3, {603}},
  };
  for (const auto &c : cases) {
    capture_messages();
    EXPECT_EQ(format_lookup(c.key), c.format) << c.key;
    EXPECT_EQ(captured_numbers(), c.messages) << c.key;
  }
}

// The first format of the table that cannot be written: its module is
// not built, or it is read only (the TSK image); null when none.
const format_desc *format_not_written() {
  for (int k = 1; k <= FORMAT_COUNT; k++)
    if (!format_available(k) || !format_table[k - 1].write) return &format_table[k - 1];
  return nullptr;
}

TEST_F(ForvaneDriver, FormatsThatCannotBeWrittenAreRefused) {
  // The listing names the built formats, in table order, and only those.
  run_result r = program("-l");
  EXPECT_EQ(r.status, 0);
  std::string listing = "Formats available are:\n\nKey        Name\n\n";
  for (int k = 1; k <= FORMAT_COUNT; k++)
    if (format_available(k)) {
      char row[64];
      snprintf(row, sizeof row, "%-10s %s\n", format_table[k - 1].key, format_table[k - 1].name);
      listing += row;
    }
  listing += "\nKeys may be unambiguously abbreviated.\n";
  EXPECT_EQ(r.err, listing);
  for (const char *key : {"quenlor", "ihex", "s19", "cod", "mcoff", "coff", "icoff", "omf51", "eomf51", "htk", "tsk",
                          "elf", "titxt"})
    EXPECT_NE(r.err.find(std::string("\n") + key + " "), std::string::npos) << key;
  const format_desc *missing = format_not_written();
  if (!missing) GTEST_SKIP() << "every format of the table is written";
  write("prog.sym", "%locals\n_main 100 0 CODE\n");
  std::string key = missing->key;
  r = program("prog.sym -o" + key);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(message_numbers(r.err), (std::vector<unsigned>{615}));
  EXPECT_FALSE(file_exists(dir + "/prog." + missing->extension));
  // A refused format stops the run before anything is written.
  r = program("prog.sym -o" + key + " -oquenlor out");
  EXPECT_EQ(r.status, 1);
  EXPECT_FALSE(file_exists(dir + "/out.sym"));
}

TEST_F(ForvaneDriver, ExitStatusesAndUsage) {
  struct {
    const char *arguments;
    int status;
    std::vector<unsigned> messages;
  } cases[] = {
      {"-h", 1, {}},
      {"-x prog.sym", 1, {}},
      {"--ver", 0, {}},
      {"prog.sym", 1, {613}},
      {"-otitxt", 1, {614}},
      {"prog.sym -oquenlor out -w", 1, {393}},
      {"prog.sym -oquenlor out -w-12", 1, {523}},
      {"prog.sym -p -n -oquenlor out", 1, {609, 610}},
      {"prog.sym --pathspec=a -oquenlor out", 1, {608}},
      {"missing.sym -oquenlor out", 1, {141}},
      {"prog.sym --unknown=1 -oq out", 0, {}},
  };
  write("prog.sym", "%locals\n_main 100 0 CODE\n");
  for (const auto &c : cases) {
    run_result r = program(c.arguments);
    EXPECT_EQ(r.status, c.status) << c.arguments << "\n" << r.err;
    EXPECT_EQ(message_numbers(r.err), c.messages) << c.arguments << "\n" << r.err;
  }
  run_result r = program("-x");
  EXPECT_EQ(r.err.rfind("Unrecognized option '-x'\nFORVANE: the symbol file reformatter\n", 0), 0u) << r.err;
}

TEST_F(ForvaneDriver, OutputNames) {
  write("prog.sym", "%locals\n_main 100 0 CODE\n");
  ASSERT_EQ(mkdir((dir + "/dir.v1").c_str(), 0755), 0);
  struct {
    const char *arguments;
    std::vector<const char *> files;
  } cases[] = {
      {"prog.sym -o quenlor", {"prog.sym"}},  // reads and rewrites itself
      {"prog.sym -oihex -otitxt", {"prog.hex", "prog.txt"}},
      {"prog.sym -oihex out", {"out.hex"}},
      {"prog.sym -oihex dir.v1/out", {"dir.v1/out.hex"}},
      {"prog.sym -oihex out.bin", {"out.bin"}},
      {"prog.sym -oihex first -otitxt", {"first.hex", "first.txt"}},
  };
  for (const auto &c : cases) {
    run_result r = program(c.arguments);
    EXPECT_EQ(r.status, 0) << c.arguments << r.err;
    for (const char *f : c.files) EXPECT_TRUE(file_exists(dir + "/" + f)) << c.arguments << ": " << f;
  }
}

TEST_F(ForvaneDriver, IdentifyOnlyLogsEachFormatTried) {
  write("a.hex", ":0100000055AA\n:00000001FF\n");
  run_result r = program("-c a.hex");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err,
            "==> Checking 'a.hex' file type ...\n==> Not Quenlor Software\n==> Not P&E\n==> Not Extended OMF-51\n"
            "==> Not OMF-51\n==> Confirmed as Intel HEX\n==> Read 1 input files\n\nGlobal block:\n\n\n");
}

TEST_F(ForvaneDriver, MessageOptionsOfE) {
  write("prog.sym", "%locals\n");
  run_result r = program("-eerrs.txt prog.sym");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "");
  EXPECT_NE(read("errs.txt").find("(613)"), std::string::npos) << read("errs.txt");
  r = program("-e2 prog.sym");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("613"), std::string::npos);
  // -e alone strips extensions from the files of the model.
  write("ext.sym", "%locals\nprog.obj\n_x 1\n");
  capture_messages();
  ASSERT_EQ(run({"-e", "ext.sym", "-oquenlor", "out"}), 0) << testing::PrintToString(captured_lines());
  ASSERT_TRUE(model_lookup_file("prog"));
  EXPECT_EQ(model_lookup_file("prog.obj"), nullptr);
}

TEST_F(ForvaneDriver, ServicesOfTheFormatModules) {
  settings.path_from = str_dup("/build/");
  settings.path_to = str_dup("C:/src/");
  char *mapped = path_remap("/home/build/a/build/x.c");
  EXPECT_STREQ(mapped, "/homeC:/src/a/build/x.c");
  xfree(mapped);
  mapped = path_remap("x.c");
  EXPECT_STREQ(mapped, "x.c");
  xfree(mapped);
  EXPECT_STREQ(stristr("dsPIC30F", "pic3"), "PIC30F");
  EXPECT_EQ(stristr("18F452", "pic"), nullptr);
  EXPECT_STREQ(strichr("abC", 'c'), "C");
  const uint8_t bytes[] = {'A', 'B', 0x01, 'C', 'D'};
  EXPECT_EQ(stream_text([&](FILE *out) { hex_dump_lines(out, 0x10, 4, bytes, 5, "%04lX:", true); }),
            "0010: 41 42 01 43 AB.C\n0014: 44          D\n");
  EXPECT_EQ(stream_text([&](FILE *out) { hex_dump_lines(out, 0, 8, bytes, 2, "%lX", false); }), "0 41 42\n");
}

TEST_F(ForvaneDriver, LineEndsFromTheNextLine) {
  uint32_t a = model_add_file("a.c"), b = model_add_file("b.c");
  model_add_line(1, 0x100, 0, a, 2);
  model_add_line(2, 0x100, 0, a, 2);  // same address: ends where it starts
  model_add_line(3, 0x104, 0, a, 2);
  model_add_line(4, 0x204, 0, a, 2);  // 0x100 above: no end range, a warning
  model_add_line(5, 0x400, 0, b, 2);  // other file: no warning
  model_add_line(6, 0x600, 0, a, 2);
  capture_messages();
  forvane_complete();
  EXPECT_EQ(captured_numbers(), (std::vector<unsigned>{1289}));
  const uint32_t ends[] = {0x100, 0x103, 0x104, 0x204, 0x400, 0x600};
  for (uint32_t k = 0; k < 6; k++) EXPECT_EQ(model_line_nth(k)->end, ends[k]) << k;
  model_file *fa = model_file_at(a);
  ASSERT_EQ(fa->line_count, 5u);
  EXPECT_EQ(fa->lines[4]->line, 6u);
}

TEST_F(ForvaneDriver, EachPsectsCodeIsABlockAndLinesStopAtItsEnd) {
  settings.classes[settings.class_count++] = str_dup("CODE");
  uint32_t code = model_add_segment("CODE", 0, 0, 0, 1);
  model_add_segment("intcode", 0x8, 0x10, 0x8, code);
  model_add_segment("text1", 0x3FE6, 0x8, 0x3FE6, code);
  model_add_segment("text0", 0x3FEE, 0x12, 0x3FEE, code);
  model_add_segment("big", 0x1000, 0x300, 0x1000, code);
  uint8_t bytes[0x300] = {};
  // Blocks as a hex file's records fall: the second spans two psects.
  model_add_data(0x8, 0x10, bytes, 0);
  model_add_data(0x3FE6, 0x10, bytes, 0);
  model_add_data(0x3FF6, 0xA, bytes, 0);
  model_add_data(0x1000, 0x300, bytes, 0);
  uint32_t a = model_add_file("a.c");
  model_add_line(3, 0x8, code, a, 2);  // an interrupt's entry, far from its body: no gap
  model_add_line(4, 0x3FE8, code, a, 2);
  model_add_line(5, 0x3FEA, code, a, 2);  // ends with its psect, not at the next line
  model_add_line(7, 0x3FF0, code, a, 2);
  model_add_line(8, 0x1000, code, a, 2);  // far from the next line in its own psect: a gap
  model_add_line(9, 0x1200, code, a, 2);
  capture_messages();
  forvane_complete();
  EXPECT_EQ(captured_numbers(), (std::vector<unsigned>{1289}));
  const uint32_t ends[] = {0x8, 0x3FE9, 0x3FED, 0x3FF0, 0x1000, 0x1200};
  for (uint32_t k = 0; k < 6; k++) EXPECT_EQ(model_line_nth(k)->end, ends[k]) << k;
  std::vector<std::pair<uint32_t, uint32_t>> blocks;
  for (uint32_t k = 0; k < vec_size(model.data); k++) blocks.push_back({model_data_nth(k)->address, model_data_nth(k)->length});
  std::sort(blocks.begin(), blocks.end());
  EXPECT_EQ(blocks, (std::vector<std::pair<uint32_t, uint32_t>>{{0x8, 0x10}, {0x1000, 0x300}, {0x3FE6, 0x8}, {0x3FEE, 0x12}}));
}

TEST_F(ForvaneDriver, AdjacentBlocksOfOneSegmentMerge) {
  model_add_segment("code", 0x100, 0x40, 0x100, 1);
  model_add_segment("other", 0x110, 0x10, 0x110, 2);
  uint8_t bytes[16];
  for (int k = 0; k < 16; k++) bytes[k] = uint8_t(k);
  model_add_data(0x110, 16, bytes, 0);
  model_add_data(0x100, 16, bytes, 0);
  model_add_data(0x120, 16, bytes, 2);  // given to another segment: stays apart
  model_add_data(0x80, 16, bytes, 1);   // below the segment's load: lowers it
  forvane_complete();
  ASSERT_EQ(vec_size(model.data), 3u);
  EXPECT_EQ(model_data_nth(0)->address, 0x80u);
  EXPECT_EQ(model_data_nth(1)->address, 0x100u);
  EXPECT_EQ(model_data_nth(1)->length, 0x20u);
  EXPECT_EQ(model_data_nth(1)->bytes[0x1F], 15);
  EXPECT_EQ(model_data_nth(2)->segment, 2u);
  model_segment *code = model_segment_at(1);
  EXPECT_EQ(code->load, 0x80u);
  EXPECT_EQ(code->start, 0x80u);
  EXPECT_EQ(code->size, 0xC0u);
  model_segment *other = model_segment_at(2);
  EXPECT_EQ(other->size, 0x20u);  // the block beyond its end widens it
}

}  // namespace
