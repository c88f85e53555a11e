#include "fpcore.h"

/* a / b rounded to frac fraction bits. An operand with exponent field 0 is a
 * zero of its sign. */
__fp32 __fpdiv(__fp32 a, __fp32 b, unsigned char frac)
{
	unsigned char ea = FP32_EXP(a), eb = FP32_EXP(b), count;
	__fp32 sign = (a ^ b) & FP32_SIGN;
	__fp32 remainder, divisor, quotient;
	int exp;

	/* Only an exponent field of 255 can be a NaN's. */
	if ((ea == 255 || eb == 255) && (FP32_IS_NAN(a) || FP32_IS_NAN(b)))
		return FP32_NAN;
	if (ea == 255) {
		if (eb == 255)
			return FP32_NAN; /* infinity over infinity */
		return sign | FP32_INF;
	}
	if (ea == 0) {
		if (eb == 0)
			return FP32_NAN; /* zero over zero */
		return sign;
	}
	if (eb == 255)
		return sign;
	if (eb == 0)
		return sign | FP32_INF;
	/* Restoring division, one quotient bit at a time: the kept fraction,
	 * a round bit and a spare (the quotient of the mantissas may be below
	 * 1), then whether anything remains as the sticky bit. */
	remainder = FP32_MANT(a);
	remainder <<= 6;
	divisor = FP32_MANT(b);
	divisor <<= 6;
	quotient = 0;
	count = frac + 3;
	do {
		quotient <<= 1;
		if (remainder >= divisor) {
			remainder -= divisor;
			quotient |= 1;
		}
		remainder <<= 1;
	} while (--count != 0);
	quotient <<= 1;
	if (remainder != 0)
		quotient |= 1;
	exp = (int)ea - eb + 154 - frac;
	return __fpround(sign != 0, exp, quotient, frac);
}
