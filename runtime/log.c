#include <errno.h>
#include <math.h>

/* x = m * 2^e with m in [sqrt(1/2), sqrt(2)): ln x = e ln 2 + ln m, and
 * ln m = 2 atanh(s) = 2 (s + s^3/3 + s^5/5 + ...) with s = (m - 1) / (m + 1),
 * |s| <= 0.172. ln 2 is taken in two parts, the first of 8 bits, so that
 * e times it is exact. */
double log(double x)
{
	double m, s, s2, p;
	int e;
	unsigned char i;

	if (x != x || x == HUGE_VAL)
		return x;
	if (x <= 0) {
		if (x == 0) {
			errno = ERANGE;
			return -HUGE_VAL;
		}
		errno = EDOM;
		return HUGE_VAL - HUGE_VAL;
	}
	m = frexp(x, &e);
	if (m < 0.70710678118654752) {
		m *= 2;
		e--;
	}
	s = (m - 1) / (m + 1);
	s2 = s * s;
	/* 1 + s2 (1/3 + s2 (1/5 + ...)): 5 terms for 32 bits, 3 for 24. */
	i = sizeof(double) == 4 ? 11 : 7;
	p = 1 / (double)i;
	for (i -= 2; i != 1; i -= 2)
		p = 1 / (double)i + s2 * p;
	p = 1 + s2 * p;
	return (double)e * 0.69140625 + ((double)e * 1.7409305599453094e-3 + 2 * s * p);
}
