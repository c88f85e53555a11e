#include <errno.h>
#include <math.h>

/* (e^x + e^-x) / 2, and far out (e^(x/2) / 2) e^(x/2), which overflows
 * only when the result does. */
double cosh(double x)
{
	double a, p;

	a = fabs(x);
	if (a < 44) {
		p = exp(a);
		return 0.5 * (p + 1 / p);
	}
	if (a != a)
		return a;
	p = exp(0.5 * a);
	a = 0.5 * p * p;
	if (a == HUGE_VAL && p != HUGE_VAL)
		errno = ERANGE;
	return a;
}
