#include <errno.h>
#include <math.h>

/* e^x = 2^k * e^r with k the integer nearest x / ln 2, and r = x - k ln 2
 * taken away in three parts, each product k * part exact (the parts have
 * 8 bits), so that r is nearly exact; then e^r by its series. */
double exp(double x)
{
	double k, r, p;
	unsigned char i;

	if (x != x || x == HUGE_VAL)
		return x;
	if (x > 89) {
		errno = ERANGE;
		return HUGE_VAL;
	}
	if (x < -104) {
		if (x != -HUGE_VAL)
			errno = ERANGE;
		return 0;
	}
	modf(x * 1.4426950408889634 + (x < 0 ? -0.5 : 0.5), &k);
	r = ((x - k * 0.69140625) - k * 1.739501953125e-3) - k * 1.4286068203094173e-6;
	/* 1 + r (1 + r/2 (1 + r/3 (...))), |r| <= 0.35: 8 terms reach below
	 * the 32-bit format's last bit, 6 the 24-bit one's. */
	p = 1;
	for (i = sizeof(double) == 4 ? 8 : 6; i != 0; i--)
		p = 1 + p * r / (double)i;
	return ldexp(p, (int)k);
}
