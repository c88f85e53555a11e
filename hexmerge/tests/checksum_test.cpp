#include "hexmerge/checksum.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

uint32_t checksum_of(int algorithm, uint32_t offset, const std::string &data, uint32_t first = 0) {
  ck_acc acc;
  ck_begin(&acc, algorithm, offset);
  for (size_t i = 0; i < data.size(); i++) ck_byte(&acc, (uint8_t)data[i], first + (uint32_t)i);
  return ck_finish(&acc);
}

// Published check values of the standard algorithms.
TEST(Checksum, StandardCheckValues) {
  struct {
    int algorithm;
    uint32_t poly;
    const char *data;
    uint32_t expected;
    const char *what;
  } cases[] = {
      {5, 0x1021, "123456789", 0x31C3, "CRC-16/XMODEM"},
      {-5, 0xA001, "123456789", 0xBB3D, "CRC-16/ARC"},
      {-5, 0x8408, "123456789", 0x2189, "CRC-16/KERMIT"},
      {5, 0x04C11DB7, "123456789", 0x765E7680 ^ 0xFFFFFFFF, "CRC-32/POSIX without its final inversion"},
      {6, 0x1021, "12345678", checksum_of(5, 0x1021, "12345678"), "word CRC, most significant bit first"},
      {-6, 0xA001, "12345678", checksum_of(-5, 0xA001, "12345678"), "word CRC, least significant bit first"},
      {7, 0, "abcde", 0xC8F0, "Fletcher-16"},
      {7, 0, "abcdef", 0x2057, "Fletcher-16"},
      {7, 0, "abcdefgh", 0x0627, "Fletcher-16"},
      {7, 0, "\x01\x02", 0x0403, "Fletcher-16"},
      {8, 0, "abcde", 0xF04FC729, "Fletcher-32, odd length padded"},
      {8, 0, "abcdef", 0x56502D2A, "Fletcher-32"},
      {8, 0, "abcdefgh", 0xEBE19591, "Fletcher-32"},
  };
  for (const auto &c : cases)
    EXPECT_EQ(checksum_of(c.algorithm, c.poly, c.data), c.expected)
        << c.what << " (g" << c.algorithm << " over \"" << c.data << "\")";
}

TEST(Checksum, FletcherSumsStayModulo255OverLongRuns) {
  // Sums kept modulo 255 make a run of 0xFF bytes weigh nothing at all; a
  // folding that stops at 0xFF would leave 0xFFFF.
  EXPECT_EQ(checksum_of(7, 0, std::string(100000, '\xff')), 0u);
  EXPECT_EQ(checksum_of(8, 0, std::string(100000, '\xff')), 0u);
  // The folding-free forms are plain sums modulo 2^8 and 2^16.
  EXPECT_EQ(checksum_of(-7, 0, std::string(300, '\x01')) & 0xFFFF, (uint32_t)((45150 & 0xFF) << 8 | (300 & 0xFF)));
}

TEST(Checksum, SumsWeighBytesByAddress) {
  struct {
    int algorithm;
    uint32_t offset;
    uint32_t first;
    uint32_t expected;
  } cases[] = {
      {1, 0x1234, 0, 0x1234 + 0x01 + 0x02 + 0x03 + 0x04 + 0x05},
      {-1, 0, 0, (uint32_t)-(0x01 + 0x02 + 0x03 + 0x04 + 0x05)},
      {2, 0, 0, 0x0201 + 0x0403 + 0x05},
      {2, 0, 1, 0x0100 + 0x0302 + 0x0504},
      {3, 0, 0, 0x030201 + 0x0504},
      {4, 0, 0, 0x04030201 + 0x05},
      {-4, 1, 0, 1u - (0x04030201u + 0x05u)},
  };
  for (const auto &c : cases)
    EXPECT_EQ(checksum_of(c.algorithm, c.offset, "\x01\x02\x03\x04\x05", c.first), c.expected)
        << "g" << c.algorithm << " from " << c.first;
}

}  // namespace
