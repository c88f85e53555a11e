#include <errno.h>
#include <math.h>

/* x = m * 2^e with e even and m in [0.5, 2): sqrt x = sqrt(m) * 2^(e/2),
 * sqrt(m) by Newton's steps from (1 + m) / 2, within 6 % of it: three
 * steps reach below the 32-bit format's last bit. */
double sqrt(double x)
{
	double m, r;
	int e;
	unsigned char i;

	if (x != x || x == 0 || x == HUGE_VAL)
		return x;
	if (x < 0) {
		errno = EDOM;
		return HUGE_VAL - HUGE_VAL;
	}
	m = frexp(x, &e);
	if (e & 1) {
		m *= 2;
		e--;
	}
	r = 0.5 * (1 + m);
	for (i = 0; i != 3; i++)
		r = 0.5 * (r + m / r);
	return ldexp(r, e / 2);
}
