#include "fpcore.h"

/* a * b rounded to frac fraction bits. An operand with exponent field 0 is a
 * zero of its sign. */
__fp32 __fpmul(__fp32 a, __fp32 b, unsigned char frac)
{
	unsigned char ea = FP32_EXP(a), eb = FP32_EXP(b), count;
	__fp32 sign = (a ^ b) & FP32_SIGN;
	__fp32 ma, mb, product;

	if (ea == 255 || eb == 255) {
		if (FP32_IS_NAN(a) || FP32_IS_NAN(b))
			return FP32_NAN;
		if (ea == 0 || eb == 0)
			return FP32_NAN; /* infinity times zero */
		return sign | FP32_INF;
	}
	if (ea == 0 || eb == 0)
		return sign;
	/* Mantissas of 16 bits (the 24-bit format, whose low byte is 0): four
	 * byte products of the hardware multiplier give the whole product,
	 * from bit 30 up; the two bits below the place the shift and add
	 * would keep go into the sticky bit. */
	if (frac == 15 && !(unsigned char)a && !(unsigned char)b) {
#define A(i) (((unsigned char *)&a)[i])
#define B(i) (((unsigned char *)&b)[i])
		A(2) |= 0x80;
		B(2) |= 0x80;
		product = (unsigned int)A(2) * B(2);
		product <<= 16;
		product += (unsigned int)A(1) * B(1);
		ma = (unsigned int)A(2) * B(1);
		ma += (unsigned int)A(1) * B(2);
		ma <<= 8;
		product += ma;
#undef A
#undef B
		if ((unsigned char)product & 3) {
			product >>= 2;
			product |= 1;
		} else {
			product >>= 2;
		}
		return __fpround(sign != 0, (int)ea + eb - 125, product, frac);
	}
	/* Shift and add over the multiplier's significant bits only, the
	 * lowest first; the product never passes bit 30 and what falls out
	 * below is kept as the sticky bit. */
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
