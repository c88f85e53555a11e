// Byte orders, hex digits and LEB128 numbers.
#include <gtest/gtest.h>

#include <vector>

#include "symconv/encdec.h"

namespace {

TEST(ForvaneEncdec, LebNumbersWriteAndReadBack) {
  struct {
    bool is_signed;
    int64_t value;
    std::vector<uint8_t> bytes;
  } cases[] = {
      {false, 0, {0x00}},
      {false, 624485, {0xE5, 0x8E, 0x26}},
      {false, 127, {0x7F}},
      {false, 128, {0x80, 0x01}},
      {true, -1, {0x7F}},
      {true, 64, {0xC0, 0x00}},
      {true, -64, {0x40}},
      {true, -129, {0xFF, 0x7E}},
      {true, 63, {0x3F}},
  };
  for (const auto &c : cases) {
    uint8_t buffer[16] = {};
    uint8_t *cursor = buffer;
    if (c.is_signed) {
      sleb_put(&cursor, c.value);
    } else {
      EXPECT_EQ(uleb_put(&cursor, uint64_t(c.value)), int(c.bytes.size()) - 1) << c.value;
    }
    EXPECT_EQ(std::vector<uint8_t>(buffer, cursor), c.bytes) << c.value;
    const uint8_t *read = buffer;
    if (c.is_signed)
      EXPECT_EQ(sleb_get(&read, cursor), c.value);
    else
      EXPECT_EQ(uleb_get(&read, cursor), uint64_t(c.value));
    EXPECT_EQ(read, cursor) << c.value;
  }
}

TEST(ForvaneEncdec, LebReadStopsAtTheEndOfTheData) {
  const uint8_t cut[] = {0x80, 0x80};
  const uint8_t *p = cut;
  uleb_get(&p, cut + 2);
  EXPECT_EQ(p, cut + 2);
  p = cut;
  sleb_get(&p, cut + 2);
  EXPECT_EQ(p, cut + 2);
}

TEST(ForvaneEncdec, ByteOrderFollowsTheSetting) {
  uint8_t b[8];
  byte_order = 1;
  EXPECT_EQ(put32(b, 0x12345678), b + 4);
  EXPECT_EQ(std::vector<uint8_t>(b, b + 4), (std::vector<uint8_t>{0x12, 0x34, 0x56, 0x78}));
  EXPECT_EQ(get16(b), 0x1234u);
  byte_order = 0;
  put32(b, 0x12345678);
  EXPECT_EQ(std::vector<uint8_t>(b, b + 4), (std::vector<uint8_t>{0x78, 0x56, 0x34, 0x12}));
  EXPECT_EQ(get32(b), 0x12345678u);
  put64(b, 0x0102030405060708ull);
  EXPECT_EQ(get64_be(b), 0x0807060504030201ull);
  EXPECT_EQ(put16(b, 0xABCDEF), b + 2);
  EXPECT_EQ(get16_le(b), 0xCDEFu);
}

TEST(ForvaneEncdec, HexDigits) {
  EXPECT_EQ(hex_byte("g0"), 0xFFFFu);
  EXPECT_EQ(hex_byte("0g"), 0xFFFFu);
  EXPECT_EQ(hex_byte("aF"), 0xAFu);
  EXPECT_EQ(hex_word("12ab"), 0x12ABu);
}

}  // namespace
