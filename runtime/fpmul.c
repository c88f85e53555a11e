#include "fpcore.h"

/* a * b rounded to frac fraction bits. An operand with exponent field 0 is a
 * zero of its sign. */
__fp32 __fpmul(__fp32 a, __fp32 b, unsigned char frac)
{
	unsigned char ea = FP32_EXP(a), eb = FP32_EXP(b), count;
	__fp32 sign = (a ^ b) & FP32_SIGN;
	__fp32 ma, mb, product;

	if (FP32_IS_NAN(a) || FP32_IS_NAN(b))
		return FP32_NAN;
	if (ea == 255 || eb == 255) {
		if (ea == 0 || eb == 0)
			return FP32_NAN; /* infinity times zero */
		return sign | FP32_INF;
	}
	if (ea == 0 || eb == 0)
		return sign;
	/* Shift and add over the multiplier's significant bits only (16 of
	 * them for the 24-bit format), the lowest first; the product never
	 * passes bit 30 and what falls out below is kept as the sticky bit. */
	ma = FP32_MANT(a);
	ma <<= 6;
	mb = FP32_MANT(b);
	mb >>= 23 - frac;
	product = 0;
	count = frac + 1;
	do {
		if (mb & 1)
			product += ma;
		if (product & 1) {
			product >>= 1;
			product |= 1;
		} else {
			product >>= 1;
		}
		mb >>= 1;
	} while (--count != 0);
	return __fpround(sign != 0, (int)ea + eb - 125, product, frac);
}
