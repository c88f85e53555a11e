#include <math.h>

/* sinh / cosh near 0, where 1 - 2 / (e^2x + 1) would cancel; 1 - 2 /
 * (e^2x + 1) further out; 1 beyond 22, where that rounds to 1 anyway. */
double tanh(double x)
{
	double a, p;

	if (x != x)
		return x;
	a = fabs(x);
	if (a < 0.5) {
		a = sinh(a) / cosh(a);
	} else if (a < 22) {
		p = exp(2 * a);
		a = 1 - 2 / (p + 1);
	} else {
		a = 1;
	}
	return x < 0 ? -a : a;
}
