// Intel HEX records as text: every field and the checksum written, and read
// back with short records and stray characters told apart.
#include "hexmerge/ihex.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string format(uint8_t type, uint16_t address, const std::string &data) {
  char line[IHEX_MAX_LINE];
  return std::string(line, ihex_format(line, type, address, (const uint8_t *)data.data(), (uint8_t)data.size()));
}

TEST(IhexFormat, RecordsCarryTheirFieldsAndAChecksumThatMakesZero) {
  EXPECT_EQ(format(IHEX_END, 0, ""), ":00000001FF\n");
  EXPECT_EQ(format(IHEX_DATA, 0x0010, "\xAA\xBB"), ":02001000AABB89\n");
  EXPECT_EQ(format(IHEX_END, 0x1234, ""), ":00123401B9\n");
  char line[IHEX_MAX_LINE];
  EXPECT_EQ(std::string(line, ihex_format_extended(line, IHEX_LINEAR, 0x0001)), ":020000040001F9\n");
  EXPECT_EQ(std::string(line, ihex_format_extended(line, IHEX_SEGMENT, 0x1000)), ":020000021000EC\n");
  std::string full(IHEX_MAX_DATA, '\xFF');
  EXPECT_EQ(format(IHEX_DATA, 0xFFFF, full).size(), size_t(IHEX_MAX_LINE));
}

TEST(IhexDecode, ReadsWhatTheWriterWrote) {
  std::string line = format(IHEX_DATA, 0xFFF0, "\x01\x02\x03");
  ihex_record r;
  ASSERT_TRUE(ihex_decode(line.data() + 1, line.size() - 2, &r));
  EXPECT_EQ(r.type, IHEX_DATA);
  EXPECT_EQ(r.address, 0xFFF0);
  ASSERT_EQ(r.count, 3);
  EXPECT_EQ(std::string((const char *)r.data, 3), "\x01\x02\x03");
  EXPECT_TRUE(r.sum_ok);
  EXPECT_EQ(r.bad_digits, 0u);
}

TEST(IhexDecode, FaultsAreReportedNotHidden) {
  struct {
    const char *text;  // after the colon
    bool whole;
    unsigned bad_digits;
    bool sum_ok;
  } cases[] = {
      {"0100000041BE", true, 0, true},
      {"0100000041BF", true, 0, false},    // checksum off by one
      {"01000000G1BE", true, 1, false},    // a stranger reads as 0
      {"0100000041be", true, 0, true},     // lower-case digits
      {"000000", false, 0, false},         // shorter than any record
      {"10000000414243", false, 0, false}, // shorter than its count
      {"1X00000041", false, 1, false},     // the count's own fault is counted
  };
  for (const auto &c : cases) {
    ihex_record r;
    EXPECT_EQ(ihex_decode(c.text, strlen(c.text), &r), c.whole) << c.text;
    EXPECT_EQ(r.bad_digits, c.bad_digits) << c.text;
    EXPECT_EQ(r.sum_ok, c.sum_ok) << c.text;
  }
}

}  // namespace
