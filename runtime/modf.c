#include <math.h>

/* The integral part is x with the fraction bits below the point cleared;
 * either part is a zero of x's sign when there is nothing of it. */
double modf(double x, double *iptr)
{
	union {
		double d;
		unsigned char b[sizeof(double)];
	} u, zero;
	int below;
	unsigned char i;

	u.d = x;
	zero.d = x;
	for (i = 0; i != sizeof(double) - 1; i++)
		zero.b[i] = 0;
	zero.b[sizeof(double) - 1] &= 0x80;
	/* Fraction bits below the point: the format's 15 or 23 less the
	 * exponent, 127 standing for 2^0. */
	below = (int)(sizeof(double) * 8 - 9 + 127) -
		((unsigned char)(u.b[sizeof(double) - 1] << 1) | (u.b[sizeof(double) - 2] >> 7));
	if (below > (int)(sizeof(double) * 8 - 9)) {
		*iptr = zero.d;
		return x;
	}
	if (below <= 0) {
		*iptr = x;
		return x != x ? x : zero.d;
	}
	for (i = 0; below > 0; i++, below -= 8)
		u.b[i] &= below >= 8 ? 0 : (unsigned char)(0xFF << below);
	*iptr = u.d;
	x -= u.d;
	return x == 0 ? zero.d : x;
}
