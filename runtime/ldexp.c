#include <errno.h>
#include <math.h>

/* x * 2^n, by moving the exponent field: exact unless the result leaves
 * the normal numbers, when it is HUGE_VAL or a zero of x's sign and errno
 * is ERANGE. */
double ldexp(double x, int n)
{
	union {
		double d;
		unsigned char b[sizeof(double)];
	} u;
	int e;
	unsigned char i;

	u.d = x;
	e = (unsigned char)(u.b[sizeof(double) - 1] << 1) | (u.b[sizeof(double) - 2] >> 7);
	if (e == 0 || e == 255)
		return x;
	/* Beyond +-300 every result is out of range: no int overflow below. */
	if (n > 300)
		n = 300;
	if (n < -300)
		n = -300;
	e += n;
	if (e >= 255) {
		errno = ERANGE;
		return (u.b[sizeof(double) - 1] & 0x80) ? -HUGE_VAL : HUGE_VAL;
	}
	if (e <= 0) {
		errno = ERANGE;
		for (i = 0; i != sizeof(double) - 1; i++)
			u.b[i] = 0;
		u.b[sizeof(double) - 1] &= 0x80;
		return u.d;
	}
	u.b[sizeof(double) - 1] = (u.b[sizeof(double) - 1] & 0x80) | (unsigned char)(e >> 1);
	u.b[sizeof(double) - 2] = (u.b[sizeof(double) - 2] & 0x7F) | (unsigned char)(e << 7);
	return u.d;
}
