// The bit image of a floating constant in the target's 24- or 32-bit format.
#include <cmath>

#include "codegen/model/target_services.h"

// Rounded once, straight from the double, to the nearest (ties to even), as
// the run-time routines round: below the smallest normal number a zero of
// its sign, beyond the largest an infinity; a NaN is the quiet NaN.
uint32_t cgen_float_bits(double value, uint32_t size) {
  int frac = size == 4 ? 23 : 15;
  uint32_t sign = std::signbit(value) ? uint32_t(1) << (frac + 8) : 0;
  uint32_t infinity = uint32_t(255) << frac;
  if (std::isnan(value)) return infinity | uint32_t(1) << (frac - 1);
  double magnitude = std::fabs(value);
  if (std::isinf(magnitude)) return sign | infinity;
  if (magnitude == 0) return sign;
  int exponent;
  // magnitude = scaled * 2^(exponent - frac - 1), scaled in [2^frac, 2^(frac + 1))
  double scaled = std::ldexp(std::frexp(magnitude, &exponent), frac + 1);
  double whole = std::floor(scaled), rest = scaled - whole;
  if (rest > 0.5 || (rest == 0.5 && std::fmod(whole, 2) == 1)) whole += 1;
  if (whole == std::ldexp(1.0, frac + 1)) {
    whole /= 2;
    exponent++;
  }
  int biased = exponent - 1 + 127;
  if (biased <= 0) return sign;
  if (biased >= 255) return sign | infinity;
  return sign | uint32_t(biased) << frac | (uint32_t(whole) - (uint32_t(1) << frac));
}
