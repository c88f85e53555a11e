#include "fpcore.h"

/* Normalizes, rounds and packs; see fpcore.h. One operation a statement:
 * the compiled stack holds every temporary the widest statement needs. */
__fp32 __fpround(unsigned char sign, int exp, __fp32 mant, unsigned char frac)
{
	__fp32 lsb, rest;
#define M(i) (((unsigned char *)&mant)[i])

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
	if (frac == 15)
		lsb = 0x8000; /* the 24-bit format's, without a shift */
	else
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
		/* The hidden bit goes up to bit 31 and the whole down a byte,
		 * which leaves it at bit 23: the exponent's lowest bit goes
		 * there and the rest in the top byte. */
		mant <<= 1;
		mant >>= 8;
		M(2) &= 0x7F;
		if ((unsigned char)exp & 1)
			M(2) |= 0x80;
		M(3) = (unsigned char)exp >> 1;
	}
	if (sign)
		M(3) |= 0x80;
	return mant;
#undef M
}
