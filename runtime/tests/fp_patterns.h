// The bit patterns of the target's floating formats on the host: a format
// keeps frac fraction bits (15 or 23); its pattern is the top 8 + 1 + frac
// bits of the IEEE single pattern of the same value.
#pragma once
#include <cmath>
#include <cstdint>

// The value a pattern stands for: exponent field 0 is a zero of its sign.
inline double pattern_value(int frac, uint32_t pattern) {
  uint32_t bits = pattern << (23 - frac);
  bool negative = bits >> 31;
  int exp = int(bits >> 23) & 0xFF;
  uint32_t fraction = bits & 0x7FFFFF;
  double v;
  if (exp == 0)
    v = 0.0;
  else if (exp == 255)
    v = fraction ? NAN : INFINITY;
  else
    v = std::ldexp(double(fraction | 0x800000), exp - 150);
  return negative ? -v : v;
}

// x rounded to the format: ties to even, flushed to a zero of its sign below
// the smallest normal, infinity beyond the largest, every NaN the quiet one.
// Exact for one operation on the format's values: double has more than
// twice their precision, so rounding twice cannot differ.
inline uint32_t pattern_of_value(int frac, double x) {
  uint32_t sign = std::signbit(x) ? 0x80000000u : 0;
  uint32_t bits;
  if (std::isnan(x)) {
    bits = 0x7FC00000u;
  } else if (x == 0) {
    bits = sign;
  } else if (std::isinf(x)) {
    bits = sign | 0x7F800000u;
  } else {
    int e;
    double m = std::frexp(std::fabs(x), &e);  // |x| = m * 2^e, m in [0.5, 1)
    double r = std::nearbyint(std::ldexp(m, frac + 1));
    if (r == std::ldexp(1.0, frac + 1)) {
      r /= 2;
      e++;
    }
    int biased = e + 126;
    if (biased <= 0)
      bits = sign;
    else if (biased >= 255)
      bits = sign | 0x7F800000u;
    else
      bits = sign | uint32_t(biased) << 23 | (uint32_t(r) - (1u << frac)) << (23 - frac);
  }
  return bits >> (23 - frac);
}
