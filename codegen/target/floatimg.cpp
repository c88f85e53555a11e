// The bit image of a floating constant in the target's 24- or 32-bit format.
#include <cstring>

#include "codegen/model/target_services.h"

uint32_t cgen_float_bits(double value, uint32_t size) {
  float f = float(value);
  uint32_t bits;
  memcpy(&bits, &f, sizeof bits);
  if (((bits >> 23) & 0xff) == 0) return 0;
  if (size == 4) return bits;
  uint32_t sign = bits >> 31, exponent = (bits >> 23) & 0xff, fraction = ((bits & 0x7fffff) + 0x80) >> 8;
  if (exponent == 255) return sign << 23 | 0xfe << 15 | 0x7fff;
  if (fraction > 0x7fff) {
    exponent++;
    fraction &= 0x7fff;
  }
  return sign << 23 | exponent << 15 | fraction;
}
