#include <errno.h>
#include <math.h>

/* Below 1 by the series x (1 + x^2/(2 3) (1 + x^2/(4 5) (...))), which
 * has no cancellation; above by (e^x - e^-x) / 2, and far above by
 * (e^(x/2) / 2) e^(x/2), which overflows only when the result does. */
double sinh(double x)
{
	double a, a2, p;
	unsigned char j;

	a = fabs(x);
	if (a < 1) {
		a2 = a * a;
		p = 1;
		for (j = sizeof(double) == 4 ? 12 : 8; j != 0; j -= 2)
			p = 1 + p * a2 / (double)(unsigned int)(j * (j + 1));
		a *= p;
	} else if (a < 44) {
		p = exp(a);
		a = 0.5 * (p - 1 / p);
	} else if (a == a) {
		p = exp(0.5 * a);
		a = 0.5 * p * p;
		if (a == HUGE_VAL && p != HUGE_VAL)
			errno = ERANGE;
	}
	return x < 0 ? -a : a;
}
