// The 24- and 32-bit run-time arithmetic routines, compiled by the host
// with the target's widths, against 64-bit arithmetic cut to the width:
// edges and a fixed pseudo-random sample of every magnitude.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "runtime/tests/host_types.h"

namespace target {
// The copies lose their #include lines: the signed routines' shared body first.
#include "library/signdiv.h"
#include "library/aldiv.c"
#include "library/almod.c"
#include "library/aslmul.c"
#include "library/atdiv.c"
#include "library/atmod.c"
#include "library/div10.h"
#include "library/lldiv.c"
#include "library/lldiv10.c"
#include "library/llmod.c"
#include "library/llmod10.c"
#include "library/llmov.c"
#include "library/lmul.c"
#include "library/ltdiv.c"
#include "library/ltmod.c"
#include "library/tmul.c"
}  // namespace target

namespace {

// What C gives at a width, and what the routines document for a zero
// divisor: all ones (1 for a negative dividend) and the dividend.
struct width {
  unsigned bits;
  uint64_t mask() const { return (uint64_t(1) << bits) - 1; }
  int64_t as_signed(uint64_t v) const { return v >> (bits - 1) ? int64_t(v) - (int64_t(1) << bits) : int64_t(v); }
  uint64_t mul(uint64_t a, uint64_t b) const { return (a * b) & mask(); }
  uint64_t udiv(uint64_t a, uint64_t b) const { return b ? a / b : mask(); }
  uint64_t umod(uint64_t a, uint64_t b) const { return b ? a % b : a; }
  uint64_t sdiv(uint64_t a, uint64_t b) const {
    int64_t x = as_signed(a), y = as_signed(b);
    if (y == 0) return uint64_t(x < 0 ? 1 : -1) & mask();
    return uint64_t(x / y) & mask();  // the most negative value / -1 wraps to itself
  }
  uint64_t smod(uint64_t a, uint64_t b) const {
    int64_t x = as_signed(a), y = as_signed(b);
    return y ? uint64_t(x % y) & mask() : a;
  }
};

std::vector<uint64_t> samples(width w) {
  uint64_t top = uint64_t(1) << (w.bits - 1);
  std::vector<uint64_t> values = {0, 1, 2, 3, 7, 10, 0xFF, 0x100, 0xFFFF, 0x10000, 0x10001,
                                  top - 1, top, top + 1, w.mask() - 1, w.mask(), w.mask() / 3};
  uint64_t state = 20261210;
  for (int i = 0; i < 240; i++) {
    state = state * 6364136223846793005u + 1442695040888963407u;
    uint64_t v = (state >> 20) & w.mask();
    values.push_back(v >> (i % w.bits));  // small values too
  }
  return values;
}

TEST(WideRoutines, LongPairs) {
  const width w{32};
  std::vector<uint64_t> values = samples(w);
  for (uint64_t a : values) {
    for (uint64_t b : values) {
      uint32_t x = uint32_t(a), y = uint32_t(b);
      int32_t sx = int32_t(x), sy = int32_t(y);
      ASSERT_EQ(target::__lmul(x, y), w.mul(a, b)) << a << " * " << b;
      ASSERT_EQ(target::__lldiv(x, y), w.udiv(a, b)) << a << " / " << b;
      ASSERT_EQ(target::__llmod(x, y), w.umod(a, b)) << a << " % " << b;
      ASSERT_EQ(uint32_t(target::__aldiv(sx, sy)), w.sdiv(a, b)) << sx << " / " << sy;
      ASSERT_EQ(uint32_t(target::__almod(sx, sy)), w.smod(a, b)) << sx << " % " << sy;
      uint32_t product = x;
      ASSERT_EQ(target::__aslmul(&product, y), w.mul(a, b)) << a << " *= " << b;
      ASSERT_EQ(product, w.mul(a, b)) << a << " *= " << b;
    }
  }
}

// Division by ten a byte at a time: the sample, and the values on both
// sides of every multiple of ten where a quotient byte carries.
TEST(WideRoutines, LongsByTen) {
  std::vector<uint64_t> values = samples(width{32});
  for (uint64_t m = 10; m < (uint64_t(1) << 32); m = m * 256 + 10)
    for (uint64_t v : {m - 1, m, m + 1, m * 10 - 1}) values.push_back(v & 0xFFFFFFFF);
  for (uint64_t a : values) {
    uint32_t x = uint32_t(a);
    ASSERT_EQ(target::__lldiv10(x), x / 10) << x;
    ASSERT_EQ(target::__llmod10(x), x % 10) << x;
  }
}

TEST(WideRoutines, LongMoveCopiesFourBytes) {
  uint32_t from[3] = {0x11111111, 0x89ABCDEF, 0x22222222}, to[3] = {0x33333333, 0, 0x44444444};
  EXPECT_EQ(target::__llmov(&to[1], &from[1]), 0x89ABCDEFu);
  EXPECT_EQ(to[0], 0x33333333u);
  EXPECT_EQ(to[1], 0x89ABCDEFu);
  EXPECT_EQ(to[2], 0x44444444u);
}

TEST(WideRoutines, ShortLongPairs) {
  const width w{24};
  std::vector<uint64_t> values = samples(w);
  for (uint64_t a : values) {
    for (uint64_t b : values) {
      target::t_u24 x(a), y(b);
      target::t_s24 sx(a), sy(b);
      ASSERT_EQ(target::__tmul(x, y).bits, w.mul(a, b)) << a << " * " << b;
      ASSERT_EQ(target::__ltdiv(x, y).bits, w.udiv(a, b)) << a << " / " << b;
      ASSERT_EQ(target::__ltmod(x, y).bits, w.umod(a, b)) << a << " % " << b;
      ASSERT_EQ(target::__atdiv(sx, sy).bits, w.sdiv(a, b)) << sx.value() << " / " << sy.value();
      ASSERT_EQ(target::__atmod(sx, sy).bits, w.smod(a, b)) << sx.value() << " % " << sy.value();
    }
  }
}

}  // namespace
