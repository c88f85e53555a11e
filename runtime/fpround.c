#include "fpcore.h"

/* Normalizes, rounds and packs; see fpcore.h. */
__fp32 __fpround(unsigned char sign, int exp, __fp32 mant, unsigned char frac)
{
	__fp32 lsb, rest;
	__fp32 result = sign ? FP32_SIGN : 0;

	if (mant == 0)
		return result;
	/* A carry above the hidden bit: shift it down, keeping what falls
	 * out as the sticky bit. */
	while (mant & FP32_SIGN) {
		mant = (mant >> 1) | (mant & 1);
		exp++;
	}
	while (!(mant & 0x40000000)) {
		mant <<= 1;
		exp--;
	}
	lsb = (__fp32)1 << (30 - frac);
	rest = mant & (lsb - 1);
	mant -= rest;
	lsb >>= 1;
	if (rest > lsb || (rest == lsb && (mant & (lsb << 1)))) {
		mant += lsb << 1;
		if (mant & FP32_SIGN) {
			mant >>= 1;
			exp++;
		}
	}
	/* No denormals: what is too small for a normal number is zero. */
	if (exp <= 0)
		return result;
	if (exp >= 255)
		return result | FP32_INF;
	return result | (__fp32)exp << 23 | ((mant >> 7) & FP32_FRAC_MASK);
}
