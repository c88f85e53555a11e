#include "fpcore.h"

/* a + b rounded to frac fraction bits. An operand with exponent field 0 is a
 * zero of its sign. */
__fp32 __fpadd(__fp32 a, __fp32 b, unsigned char frac)
{
	unsigned char ea = FP32_EXP(a), eb = FP32_EXP(b), shift;
	__fp32 ma, mb, t;

	if (ea == 255 || eb == 255) {
		if (FP32_IS_NAN(a) || FP32_IS_NAN(b))
			return FP32_NAN;
		if (ea != 255)
			return b;
		if (eb == 255 && ((a ^ b) & FP32_SIGN))
			return FP32_NAN; /* infinities of opposite signs */
		return a;
	}
	if (eb == 0) {
		if (ea == 0) /* the sum of two zeros is -0 only when both are */
			return a & b & FP32_SIGN;
		return a;
	}
	if (ea == 0)
		return b;
	/* Let a be the larger in magnitude, so that a difference is not
	 * negative and takes a's sign. */
	if ((a & ~FP32_SIGN) < (b & ~FP32_SIGN)) {
		t = a;
		a = b;
		b = t;
		shift = ea;
		ea = eb;
		eb = shift;
	}
	/* The mantissas with the hidden bit at bit 30: up a byte over the
	 * exponent, the hidden bit set at the top, and down one. */
	ma = a << 8;
	((unsigned char *)&ma)[3] |= 0x80;
	ma >>= 1;
	mb = b << 8;
	((unsigned char *)&mb)[3] |= 0x80;
	mb >>= 1;
	shift = ea - eb;
	if (shift > 31) {
		mb = 1; /* only the sticky bit is left */
	} else {
		/* Whole bytes first, their bits gathered into the sticky bit. */
		while (shift >= 8) {
			if ((unsigned char)mb) {
				mb >>= 8;
				mb |= 1;
			} else {
				mb >>= 8;
			}
			shift -= 8;
		}
		while (shift != 0) {
			if (mb & 1) {
				mb >>= 1;
				mb |= 1;
			} else {
				mb >>= 1;
			}
			shift--;
		}
	}
	if ((a ^ b) & FP32_SIGN) {
		ma -= mb;
		if (ma == 0)
			return 0; /* x - x is +0 */
	} else {
		ma += mb;
	}
	return __fpround((a & FP32_SIGN) != 0, ea, ma, frac);
}
