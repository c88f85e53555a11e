#include <errno.h>
#include <math.h>

/* p^n by squaring and multiplying: exact whenever the products are. */
static double whole_power(double p, unsigned int n)
{
	double r = 1;

	for (;;) {
		if (n & 1)
			r *= p;
		n >>= 1;
		if (n == 0)
			return r;
		p *= p;
	}
}

/* x^y for a finite x > 0 other than 1 and a finite y. A whole y below 2^16
 * goes by whole_power (with 1 / x^-y for a negative y, or (1/x)^-y when
 * x^-y is out of range). Else x = m 2^e, m in [sqrt(1/2), sqrt(2)), and
 * x^y = 2^(y e) m^y: y e = n + g for a whole n, with y cut to 8 bits yh
 * so that that product is exact, and then x^y = 2^n e^((g + yl e) ln 2 +
 * y ln m), yl = y - yh. */
static double power(double x, double y, double whole)
{
	double r, f, n;
	int e, ey;

	if (y == whole && fabs(y) < 65536) {
		r = whole_power(x, (unsigned int)fabs(y));
		if (y < 0)
			r = r == HUGE_VAL || r == 0 ? whole_power(1 / x, (unsigned int)-y) : 1 / r;
		if (r == HUGE_VAL || r == 0)
			errno = ERANGE;
		return r;
	}
	x = frexp(x, &e);
	if (x < 0.70710678118654752) {
		x *= 2;
		e--;
	}
	/* |log2 x^y| is then at least 256. */
	if (fabs(y * (double)e) > 512) {
		errno = ERANGE;
		return (y < 0) == (e < 0) ? HUGE_VAL : 0;
	}
	f = frexp(y, &ey);
	modf(ldexp(f, 8), &f);
	f = ldexp(f, ey - 8);
	modf(f * (double)e, &n);
	r = (f * (double)e - n + (y - f) * (double)e) * 0.69314718055994531 + y * log(x);
	return ldexp(exp(r), (int)n);
}

double pow(double x, double y)
{
	double whole, r;
	unsigned char odd = 0;

	if (y == 0)
		return 1;
	if (x != x || y != y)
		return x + y;
	if (modf(y, &whole) == 0)
		odd = modf(0.5 * whole, &r) != 0;
	if (x == 0) {
		if (y < 0) {
			errno = EDOM;
			return odd ? 1 / x : HUGE_VAL;
		}
		return odd ? x : 0;
	}
	if (x < 0) {
		if (y != whole) {
			errno = EDOM;
			return HUGE_VAL - HUGE_VAL;
		}
		x = -x;
	} else {
		odd = 0;
	}
	if (x == 1)
		r = 1;
	else if (fabs(y) == HUGE_VAL)
		r = (x > 1) == (y > 0) ? HUGE_VAL : 0;
	else if (x == HUGE_VAL)
		r = y > 0 ? HUGE_VAL : 0;
	else
		r = power(x, y, whole);
	return odd ? -r : r;
}
