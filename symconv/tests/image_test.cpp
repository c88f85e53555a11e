// Intel HEX, S-records and TI text: layouts, reading, messages, and round
// trips checked by srec_cat and srec_cmp.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/vector.h"
#include "symconv/intelhex.h"
#include "symconv/mothex.h"
#include "symconv/tests/forvane_fixture.h"
#include "symconv/titxt.h"

namespace {

using ForvaneImages = ForvaneTest;

std::vector<uint8_t> pattern(size_t n) {
  std::vector<uint8_t> v(n);
  for (size_t k = 0; k < n; k++) v[k] = uint8_t(k * 7 + 1);
  return v;
}

std::string written(bool (*write)(FILE *, const char *)) {
  return stream_text([&](FILE *out) { write(out, "out"); });
}

bool read_with(bool (*read)(FILE *, const char *), const std::string &text) {
  FILE *in = fmemopen(const_cast<char *>(text.data()), text.size(), "r");
  bool ok = read(in, "in.hex");
  fclose(in);
  return ok;
}

bool identify_with(bool (*identify)(FILE *), const std::string &text) {
  if (text.empty()) return identify(fopen("/dev/null", "r"));
  FILE *in = fmemopen(const_cast<char *>(text.data()), text.size(), "r");
  bool ok = identify(in);
  fclose(in);
  return ok;
}

std::vector<std::string> lines_of(const std::string &text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
    lines.push_back(text.substr(start, nl - start));
  return lines;
}

TEST_F(ForvaneImages, IntelHexRowsAndAddressRecords) {
  std::vector<uint8_t> b = pattern(40);
  model_add_data(0x1FFF0, 16, b.data(), 0);
  std::vector<std::string> rows = lines_of(written(ihex_write));
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0], ":020000040001F9");
  EXPECT_EQ(rows[1].substr(0, 9), ":10FFF000");
  EXPECT_EQ(rows[2], ":00000001FF");

  forvane_reset();
  model_init();
  model_add_data(0x100, 20, b.data(), 0);
  rows = lines_of(written(ihex_write));
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].substr(0, 9), ":10010000");
  EXPECT_EQ(rows[1].substr(0, 9), ":04011000");

  forvane_reset();
  model_init();
  model_add_data(0x1000000, 1, b.data(), 0);
  EXPECT_EQ(lines_of(written(ihex_write))[0], ":020000040100F9");

  // A row stops at a 64K boundary, where its addresses would wrap.
  forvane_reset();
  model_init();
  model_add_data(0xFFF8, 16, b.data(), 0);
  rows = lines_of(written(ihex_write));
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0].substr(0, 9), ":08FFF800");
  EXPECT_EQ(rows[1], ":020000040001F9");
  EXPECT_EQ(rows[2].substr(0, 9), ":08000000");
}

TEST_F(ForvaneImages, IntelHexReading) {
  // Data below and above an extended linear address; the start address
  // from a 32-bit start record, as srec_cat writes it.
  ASSERT_TRUE(read_with(ihex_read, ":020000001122CBA\n:020000001122CB\n:020000040001F9\n:01001000AA45\n"
                                   ":04000005000123458E\n:00000001FF\n") == false);
  EXPECT_EQ(captured_numbers(), (std::vector<unsigned>{619}));
  forvane_reset();
  model_init();
  capture_messages();
  ASSERT_TRUE(read_with(ihex_read, ":020000001122CB\n:020000040001F9\n:01001000AA45\n:04000005000123458E\n:00000001FF\n"));
  ASSERT_EQ(vec_size(model.data), 2u);
  EXPECT_EQ(model_data_nth(1)->address, 0x10010u);
  EXPECT_EQ(model_data_nth(1)->bytes[0], 0xAA);
  EXPECT_EQ(model.entry_address, 0x12345u);
  // An end record carrying an address.
  ASSERT_TRUE(read_with(ihex_read, ":020000011234B7\n"));
  EXPECT_EQ(model.entry_address, 0x1234u);
  EXPECT_TRUE(captured_numbers().empty());

  struct {
    const char *text;
    unsigned message;
  } faults[] = {
      {"0200000011229B\n", 635},
      {":020000001122CC\n", 636},
      {":020000061122C5\n", 618},
      {":02000000112\n", 619},
      {":0200000011G2CB\n", 619},
  };
  for (const auto &f : faults) {
    capture_messages();
    EXPECT_FALSE(read_with(ihex_read, f.text)) << f.text;
    EXPECT_EQ(captured_numbers(), std::vector<unsigned>{f.message}) << f.text;
  }
}

TEST_F(ForvaneImages, Identification) {
  EXPECT_TRUE(identify_with(ihex_identify, ":020000001122CB  \n"));
  EXPECT_TRUE(identify_with(ihex_identify, ":\n"));
  EXPECT_FALSE(identify_with(ihex_identify, ":020000001122CC\n"));
  EXPECT_FALSE(identify_with(ihex_identify, "S10500001122C7\n"));
  EXPECT_TRUE(identify_with(srec_identify, "S10500001122C7\n"));
  EXPECT_FALSE(identify_with(srec_identify, "S10500001122C\n"));
  EXPECT_FALSE(identify_with(srec_identify, "SX\n"));
  EXPECT_TRUE(identify_with(titxt_identify, "@1000\n"));
  EXPECT_FALSE(identify_with(titxt_identify, "@12G4\n"));
  EXPECT_TRUE(identify_with(titxt_identify, "q\n"));
  EXPECT_FALSE(identify_with(titxt_identify, "qq\n"));
  EXPECT_TRUE(identify_with(titxt_identify, "11 22 33 \n"));
  EXPECT_FALSE(identify_with(titxt_identify, "11 223 33\n"));
  EXPECT_FALSE(identify_with(titxt_identify, ""));
}

TEST_F(ForvaneImages, SRecordRowsAndReading) {
  std::vector<uint8_t> b = pattern(20);
  model_add_data(0x1FFF0, 20, b.data(), 0);
  std::vector<std::string> rows = lines_of(written(srec_write));
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].substr(0, 10), "S21401FFF0");
  EXPECT_EQ(rows[1].substr(0, 10), "S208020000");
  forvane_reset();
  model_init();
  model_add_data(0x1000000, 1, b.data(), 0);
  model_add_data(0x10, 1, b.data(), 0);
  rows = lines_of(written(srec_write));
  EXPECT_EQ(rows[0], "S30601000000" "01F7");
  EXPECT_EQ(rows[1], "S104001001EA");

  forvane_reset();
  model_init();
  capture_messages();
  ASSERT_TRUE(read_with(srec_read, "S00600004844521B\nS104001001EA\nS5030001FB\nS9031234B6\n"));
  ASSERT_EQ(vec_size(model.data), 1u);
  EXPECT_EQ(model_data_nth(0)->address, 0x10u);
  EXPECT_EQ(model.entry_address, 0x1234u);
  EXPECT_TRUE(captured_numbers().empty());
  struct {
    const char *text;
    unsigned message;
  } faults[] = {{"X104001001EA\n", 635}, {"S104001001EB\n", 636}, {"S4030001FB\n", 618}, {"S1040010\n", 619}};
  for (const auto &f : faults) {
    capture_messages();
    EXPECT_FALSE(read_with(srec_read, f.text)) << f.text;
    EXPECT_EQ(captured_numbers(), std::vector<unsigned>{f.message}) << f.text;
  }
}

TEST_F(ForvaneImages, TiTextMatchesItsHandComputedFixture) {
  std::vector<uint8_t> b = pattern(16);
  model_add_data(0x1000, 16, b.data(), 0);
  model_add_data(0x2000, 4, b.data(), 0);
  EXPECT_EQ(written(titxt_write),
            "@1000\n01 08 0F 16 1D 24 2B 32 39 40 47 4E 55 5C 63 6A \n@2000\n01 08 0F 16 \nq\n\n");
  std::string file = "@F000\n0A 0B 0C\nq\n";
  FILE *in = fmemopen(file.data(), file.size(), "r");
  testing::internal::CaptureStdout();
  EXPECT_TRUE(titxt_dump(in));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "TI-.txt file dump:\n\n F000 :  0A 0B 0C\n");
  fclose(in);
}

// The image forvane writes, read by srec_cat, must hold what srec_cat reads
// from the input.
TEST_F(ForvaneImages, RoundTripsAgreeWithSrecCat) {
  if (!have_tool("srec_cat") || !have_tool("srec_cmp")) GTEST_SKIP() << "srec_cat or srec_cmp missing";
  // Blocks below and across a 64K boundary and one high above it.
  run_result made = run_in(dir,
                           "srec_cat -generate 0x100 0x1A3 -repeat-string 'tovra' "
                           "-generate 0xFFF0 0x10013 -repeat-data 1 2 3 4 5 6 7 "
                           "-generate 0x123450 0x123461 -constant 0x5A -o in.hex -intel -execution-start-address 0x1234");
  ASSERT_EQ(made.status, 0) << made.err;
  ASSERT_EQ(run_in(dir, "srec_cat in.hex -intel -o in.s19 -motorola").status, 0);
  struct {
    const char *input, *output, *srec_format;
  } cases[] = {
      {"in.hex", "ihex", "-intel"},
      {"in.hex", "s19", "-motorola"},
      {"in.s19", "ihex", "-intel"},
      {"in.s19", "s19", "-motorola"},
  };
  for (const auto &c : cases) {
    run_result r = program(std::string(c.input) + " -o" + c.output + " out.img");
    ASSERT_EQ(r.status, 0) << c.input << " " << c.output << r.err;
    run_result cmp = run_in(dir, std::string("srec_cmp ") + c.input + (c.input[3] == 'h' ? " -intel" : " -motorola") +
                                     " out.img " + c.srec_format);
    EXPECT_EQ(cmp.status, 0) << c.input << " -o" << c.output << ": " << cmp.out << cmp.err << read("out.img");
  }
}

}  // namespace
