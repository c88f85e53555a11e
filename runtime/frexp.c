#include <math.h>

/* x = m * 2^*exp with m in [0.5, 1): the exponent field of the top two
 * bytes becomes 126. Zeros, infinities and NaNs come back as they are,
 * with *exp 0. */
double frexp(double x, int *exp)
{
	union {
		double d;
		unsigned char b[sizeof(double)];
	} u;
	unsigned char e;

	u.d = x;
	e = (unsigned char)(u.b[sizeof(double) - 1] << 1) | (u.b[sizeof(double) - 2] >> 7);
	if (e == 0 || e == 255) {
		*exp = 0;
		return x;
	}
	*exp = e - 126;
	u.b[sizeof(double) - 1] = (u.b[sizeof(double) - 1] & 0x80) | 0x3F;
	u.b[sizeof(double) - 2] &= 0x7F;
	return u.d;
}
