#include <math.h>

/* Reduced to |a| <= tan(pi/12): atan(a) = pi/2 - atan(1/a) above 1, and
 * atan(a) = pi/6 + atan((a sqrt 3 - 1) / (a + sqrt 3)) above tan(pi/12);
 * then a (1 - a^2/3 + a^4/5 - ...). */
double atan(double x)
{
	double a, a2, p;
	unsigned char i, inverted = 0, shifted = 0;

	if (x != x)
		return x;
	a = fabs(x);
	if (a > 1) {
		a = 1 / a;
		inverted = 1;
	}
	if (a > 0.26794919243112271) {
		a = (a * 1.7320508075688773 - 1) / (a + 1.7320508075688773);
		shifted = 1;
	}
	a2 = a * a;
	/* 1 - a2 (1/3 - a2 (1/5 - ...)): 7 terms for 32 bits, 5 for 24. */
	i = sizeof(double) == 4 ? 13 : 9;
	p = 1 / (double)i;
	for (i -= 2; i != 255; i -= 2)
		p = 1 / (double)i - a2 * p;
	a *= p;
	if (shifted)
		a += 0.52359877559829887;
	if (inverted)
		a = 1.5707963267948966 - a;
	return x < 0 ? -a : a;
}
