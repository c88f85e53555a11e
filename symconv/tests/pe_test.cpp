// P&E maps: the entries the writer merges and the names it upper-cases,
// what the reader takes from them; the UBROF dump of a small file.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/vector.h"
#include "symconv/pe.h"
#include "symconv/tests/forvane_fixture.h"

namespace {

using ForvanePe = ForvaneTest;

const std::string signature("P&E Microcomputer Map File\x1A", 27);

std::string entry(uint32_t address, int file, int line, const std::string &name) {
  std::string e = {char(address), char(address >> 8), char(address >> 16), char(address >> 24), char(file),
                   char(line >> 8), char(line)};
  return e + name + std::string(1, '\0');
}

bool read_map(const std::string &image) {
  FILE *in = fmemopen(const_cast<char *>(image.data()), image.size(), "rb");
  bool ok = pe_identify(in) && !fseek(in, 0, SEEK_SET) && pe_read(in, "in.pe");
  fclose(in);
  return ok;
}

TEST_F(ForvanePe, EntriesMergeSymbolsAndLinesByFileSegmentAndAddress) {
  uint32_t code = model_add_segment("CODE", 0, 0x1000, 0, 0);
  model_add_file("unused.c");
  uint32_t main_c = model_add_file("Main.c");
  model_add_symbol("_start", 0x10, code, main_c, 0);
  model_add_line(5, 0x10, code, main_c, 0);  // shares the symbol's entry
  model_add_line(6, 0x14, code, main_c, 0);
  model_add_symbol("Stack", 0x300, 0, 0, MSYM_ABSOLUTE);  // of no file: first
  forvane_complete();
  std::string image = stream_text([&](FILE *out) { EXPECT_TRUE(pe_write(out, "out.pe")); });
  EXPECT_EQ(image, signature + std::string("\0\3\1MAIN.C\0", 10) + entry(0x300, 0, 0, "STACK") +
                       entry(0x10, 1, 5, "_START") + entry(0x14, 1, 6, ""));
}

TEST_F(ForvanePe, ReaderTakesSymbolsAndLinesOfEachEntry) {
  capture_messages();
  std::string image = signature + std::string("\0\4\1a.c\0", 7) + entry(0x20, 0, 0, "") + entry(0x30, 1, 9, "f") +
                      entry(0x40, 1, 10, "") + entry(0x50, 7, 0, "g");
  ASSERT_TRUE(read_map(image));
  // An entry of neither name nor line adds nothing; a file number beyond
  // the names read is said and taken as none.
  EXPECT_EQ(captured_numbers(), (std::vector<unsigned>{620}));
  ASSERT_EQ(vec_size(model.symbols), 2u);
  EXPECT_STREQ(model_symbol_nth(0)->name, "f");
  EXPECT_STREQ(model_file_at(model_symbol_nth(0)->file)->name, "a.c");
  EXPECT_EQ(model_symbol_nth(1)->file, 0u);
  ASSERT_EQ(vec_size(model.lines), 2u);
  EXPECT_EQ(model_line_nth(1)->line, 10u);
  EXPECT_EQ(model_line_nth(1)->start, 0x40u);
  capture_messages();
  EXPECT_FALSE(read_map(signature + std::string("\0\1\0", 3) + "\x10\0"));
  EXPECT_EQ(captured_numbers(), (std::vector<unsigned>{1044}));
}

// The CRC of the dump's records: bits from the lowest, polynomial 0x8005.
uint16_t crc_of(const std::string &bytes) {
  uint16_t crc = 0;
  for (char c : bytes)
    for (int bit = 0; bit < 8; bit++) {
      bool feedback = ((uint8_t(c) >> bit) & 1) != ((crc >> 15) & 1);
      crc = uint16_t(crc << 1) ^ (feedback ? 0x8005 : 0);
    }
  return crc;
}

std::string ubrof_sample(bool good_crc) {
  std::string s("\xA5\x07\x06\x05\x04\x03\x7A", 7);                      // 2022/3/4 05:06:07
  s += std::string("\x01\x04\x03\x10\x02\x01\x7A\x04prog", 12);           // program header
  s += std::string("\x51\x01\x00\x00\x01\x00", 6);                        // origin 0x100, segment 1
  s += std::string("\x39\x03\xAA\xBB\xCC", 5);                            // data
  s += std::string("\x4C\x01\x00\x01\x00\x00\x01\x00\x04main\x00\x00\x00", 16);  // symbol
  // The check covers every byte before its value, its own tag too.
  s += std::string("\x3F", 1);
  uint16_t crc = crc_of(s) ^ (good_crc ? 0 : 1);
  s += std::string(1, char(crc >> 8)) + char(crc);
  s += std::string("\x47\x00\x0C\x00\x01\x00\x0D\x00\x00\x00", 10);        // statement 12-13
  return s + std::string("\xFF", 1);
}

std::string ubrof_dumped(const std::string &image, bool *ok) {
  return stream_text([&](FILE *out) {
    FILE *saved = stdout;
    stdout = out;
    FILE *in = fmemopen(const_cast<char *>(image.data()), image.size(), "rb");
    *ok = ubrof_dump(in);
    fclose(in);
    fflush(out);
    stdout = saved;
  });
}

TEST_F(ForvanePe, UbrofDumpPrintsEachRecordAndChecksTheCrc) {
  std::string image = ubrof_sample(true);
  FILE *in = fmemopen(image.data(), image.size(), "rb");
  EXPECT_TRUE(ubrof_identify(in));
  fclose(in);
  const std::string body =
      "UBROF file: 2022/3/4 05:06:07 Program: \"prog\" 2022/1/2  version 4, language 0x10, (C) 16 bit normal bit "
      "order\nData: 3 bytes in seg 1 at 0x100\nSymbol; public/abs CODE addr = 0x100  \"main\"\n";
  bool ok = false;
  EXPECT_EQ(ubrof_dumped(image, &ok), body + "Statement: line 12-13 seg 1 flags 0 0\n");
  EXPECT_TRUE(ok);
  settings.verbosity = 1;
  std::string verbose = ubrof_dumped(image, &ok);
  EXPECT_TRUE(ok);
  EXPECT_NE(verbose.find("Origin 0x100 in segment 1\n"), std::string::npos) << verbose;
  EXPECT_NE(verbose.find("CRC matched at 2E\n"), std::string::npos) << verbose;
  settings.verbosity = 0;
  struct {
    std::string image;
    std::vector<unsigned> messages;
  } bad[] = {
      {ubrof_sample(false), {1049}},
      {std::string("\xA5\x07\x06\x05\x04\x03\x7A\x07", 8), {1052}},
      {std::string("\xA5\x07\x06\x05\x20\x03\x7A", 7), {1048}},
      {std::string("\x00", 1), {1047}},
      {std::string("\xA5\x07\x06\x05\x04\x03\x7A\x53\x01", 9), {1044}},
  };
  for (const auto &c : bad) {
    capture_messages();
    ubrof_dumped(c.image, &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(captured_numbers(), c.messages);
  }
}

}  // namespace
