// The run-time arithmetic routines, compiled by the host with the target's
// 16-bit int, against C's own operators: every byte pair, and words over
// edges and a fixed pseudo-random sample.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

// Nothing may follow this block that includes a standard header: the
// routines are read with int as the target's 16-bit short.
namespace target {
#define int short
#include "runtime/abdiv.c"
#include "runtime/abmod.c"
#include "runtime/awdiv.c"
#include "runtime/awmod.c"
#include "runtime/bmul.c"
#include "runtime/lbdiv.c"
#include "runtime/lbmod.c"
#include "runtime/lbmul.c"
#include "runtime/lwdiv.c"
#include "runtime/lwdiv10.c"
#include "runtime/lwmod.c"
#include "runtime/lwmod10.c"
#include "runtime/wmul.c"
#undef int
}  // namespace target

namespace {

// What C gives, and what the routines document for a zero divisor.
uint8_t u8_div(uint8_t a, uint8_t b) { return b ? a / b : 0xFF; }
uint8_t u8_mod(uint8_t a, uint8_t b) { return b ? a % b : a; }
int8_t s8_div(int8_t a, int8_t b) {
  if (b == 0) return a < 0 ? 1 : -1;
  return int8_t(int(a) / int(b));  // -128 / -1 wraps to -128
}
int8_t s8_mod(int8_t a, int8_t b) { return b ? int8_t(int(a) % int(b)) : a; }
uint16_t u16_div(uint16_t a, uint16_t b) { return b ? a / b : 0xFFFF; }
uint16_t u16_mod(uint16_t a, uint16_t b) { return b ? a % b : a; }
int16_t s16_div(int16_t a, int16_t b) {
  if (b == 0) return a < 0 ? 1 : -1;
  return int16_t(int32_t(a) / int32_t(b));
}
int16_t s16_mod(int16_t a, int16_t b) { return b ? int16_t(int32_t(a) % int32_t(b)) : a; }

TEST(RuntimeRoutines, EveryBytePair) {
  for (unsigned a = 0; a < 256; a++) {
    for (unsigned b = 0; b < 256; b++) {
      uint8_t x = uint8_t(a), y = uint8_t(b);
      int8_t sx = int8_t(x), sy = int8_t(y);
      ASSERT_EQ(target::__bmul(x, y), uint8_t(a * b)) << a << " * " << b;
      ASSERT_EQ(uint16_t(target::__lbmul(x, y)), uint16_t(a * b)) << a << " * " << b;
      ASSERT_EQ(target::__lbdiv(x, y), u8_div(x, y)) << a << " / " << b;
      ASSERT_EQ(target::__lbmod(x, y), u8_mod(x, y)) << a << " % " << b;
      ASSERT_EQ(target::__abdiv(sx, sy), s8_div(sx, sy)) << int(sx) << " / " << int(sy);
      ASSERT_EQ(target::__abmod(sx, sy), s8_mod(sx, sy)) << int(sx) << " % " << int(sy);
    }
  }
}

TEST(RuntimeRoutines, EveryWordByTen) {
  for (unsigned x = 0; x < 0x10000; x++) {
    ASSERT_EQ(uint16_t(target::__lwdiv10(uint16_t(x))), x / 10) << x;
    ASSERT_EQ(uint16_t(target::__lwmod10(uint16_t(x))), x % 10) << x;
  }
}

std::vector<uint16_t> word_samples() {
  std::vector<uint16_t> values = {0, 1, 2, 3, 7, 0xFF, 0x100, 0x101, 0x7FFE, 0x7FFF, 0x8000, 0x8001, 0xFFFE, 0xFFFF};
  uint32_t state = 12345;
  for (int i = 0; i < 300; i++) {
    state = state * 1103515245u + 12345u;
    uint16_t v = uint16_t(state >> 16);
    values.push_back(i % 3 == 0 ? uint16_t(v >> (i % 13)) : v);  // small values too
  }
  return values;
}

TEST(RuntimeRoutines, WordPairs) {
  std::vector<uint16_t> values = word_samples();
  for (uint16_t x : values) {
    for (uint16_t y : values) {
      int16_t sx = int16_t(x), sy = int16_t(y);
      ASSERT_EQ(uint16_t(target::__wmul(x, y)), uint16_t(uint32_t(x) * y)) << x << " * " << y;
      ASSERT_EQ(uint16_t(target::__lwdiv(x, y)), u16_div(x, y)) << x << " / " << y;
      ASSERT_EQ(uint16_t(target::__lwmod(x, y)), u16_mod(x, y)) << x << " % " << y;
      ASSERT_EQ(target::__awdiv(sx, sy), s16_div(sx, sy)) << sx << " / " << sy;
      ASSERT_EQ(target::__awmod(sx, sy), s16_mod(sx, sy)) << sx << " % " << sy;
    }
  }
}

}  // namespace
