#include <errno.h>
#include <math.h>

/* x - n * y for the integer n that leaves the remainder smaller than y and
 * of x's sign, exactly: y scaled by a power of two is taken away while it
 * fits, and each such difference is exact. A zero y, or an infinite x, is
 * a domain error. */
double fmod(double x, double y)
{
	double r, t;
	int ex, ey;

	if (x != x || y != y)
		return x + y;
	if (y == 0 || fabs(x) == HUGE_VAL) {
		errno = EDOM;
		return HUGE_VAL - HUGE_VAL;
	}
	r = fabs(x);
	y = fabs(y);
	if (r < y)
		return x;
	while (r >= y) {
		frexp(r, &ex);
		frexp(y, &ey);
		t = ldexp(y, ex - ey);
		if (t > r)
			t = ldexp(t, -1);
		r -= t;
	}
	return x < 0 ? -r : r;
}
