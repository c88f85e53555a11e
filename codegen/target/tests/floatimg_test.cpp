// The bit images of float constants: rounded once from the double to the
// nearest, ties to even, in either format, as the run-time routines round.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "codegen/model/target_services.h"

namespace {

TEST(FloatImage, ConstantsRoundAsTheRoutinesDo) {
  const double inf = std::numeric_limits<double>::infinity();
  struct {
    double value;
    uint32_t bits24, bits32;
  } cases[] = {
      {1.0, 0x3F8000, 0x3F800000},
      {-2.5, 0xC02000, 0xC0200000},
      {0.1, 0x3DCCCD, 0x3DCCCCCD},
      {0.0, 0, 0},
      {-0.0, 0x800000, 0x80000000},
      // halfway between two 24-bit values: to the even one
      {1.0 + std::ldexp(1.0, -16), 0x3F8000, 0x3F800080},
      {1.0 + 3 * std::ldexp(1.0, -16), 0x3F8002, 0x3F800180},
      {1.0 + std::ldexp(1.0, -16) + std::ldexp(1.0, -40), 0x3F8001, 0x3F800080},
      // a carry into the exponent
      {2.0 - std::ldexp(1.0, -17), 0x400000, 0x3FFFFFC0},
      // the largest values, and overflow to infinity
      {3.4027717455e38, 0x7F7FFF, 0x7F7FFF00},
      {3.4028234664e38, 0x7F8000, 0x7F7FFFFF},
      {1e39, 0x7F8000, 0x7F800000},
      {-inf, 0xFF8000, 0xFF800000},
      // the smallest normal number; what rounds below it is a zero of its sign
      {std::ldexp(1.0, -126), 0x008000, 0x00800000},
      {std::ldexp(1.0, -126) * (1 - std::ldexp(1.0, -20)), 0x008000, 0},  // 24 bits round it up
      {-1e-39, 0x800000, 0x80000000},
      {std::nan(""), 0x7FC000, 0x7FC00000},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(cgen_float_bits(c.value, 3), c.bits24) << c.value;
    EXPECT_EQ(cgen_float_bits(c.value, 4), c.bits32) << c.value;
  }
}

}  // namespace
