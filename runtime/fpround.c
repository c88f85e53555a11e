#include "fpcore.h"

/* Normalizes, rounds and packs; see fpcore.h. One operation a statement:
 * the compiled stack holds every temporary the widest statement needs. */
__fp32 __fpround(unsigned char sign, int exp, __fp32 mant, unsigned char frac)
{
	__fp32 lsb, rest;

	if (mant == 0)
		return sign ? FP32_SIGN : 0;
	/* A carry above the hidden bit: shift it down, keeping what falls
	 * out as the sticky bit. */
	while (mant & FP32_SIGN) {
		rest = mant & 1;
		mant >>= 1;
		mant |= rest;
		exp++;
	}
	/* Below bit 23 a whole byte can go up at once. */
	while (!(mant & 0x7F800000)) {
		mant <<= 8;
		exp -= 8;
	}
	while (!(mant & 0x40000000)) {
		mant <<= 1;
		exp--;
	}
	lsb = (__fp32)1 << (30 - frac);
	rest = lsb - 1;
	rest &= mant;
	mant -= rest;
	/* rest against half the last place kept */
	lsb >>= 1;
	if (rest > lsb || (rest == lsb && (mant & (lsb << 1)))) {
		lsb <<= 1;
		mant += lsb;
		if (mant & FP32_SIGN) {
			mant >>= 1;
			exp++;
		}
	}
	/* No denormals: what is too small for a normal number is zero. */
	if (exp <= 0)
		mant = 0;
	else if (exp >= 255)
		mant = FP32_INF;
	else {
		mant >>= 7;
		mant &= FP32_FRAC_MASK;
		rest = (unsigned char)exp;
		rest <<= 23;
		mant |= rest;
	}
	if (sign)
		mant |= FP32_SIGN;
	return mant;
}
