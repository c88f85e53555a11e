#include <math.h>

/* 1 for a negative number or -0. */
static unsigned char negative(double x)
{
	return x < 0 || (x == 0 && 1 / x < 0);
}

/* The angle of the point (x, y), in [-pi, pi], with the signs of zeros
 * and the infinities of IEEE arithmetic: atan2(+-0, -0) is +-pi. */
double atan2(double y, double x)
{
	double r;

	if (x != x || y != y)
		return x + y;
	if (fabs(y) == HUGE_VAL)
		r = fabs(x) == HUGE_VAL ? 0.78539816339744831 : 1.5707963267948966;
	else if (fabs(x) == HUGE_VAL || y == 0)
		r = 0;
	else if (x == 0)
		r = 1.5707963267948966;
	else
		r = atan(fabs(y / x));
	if (negative(x))
		r = 3.1415926535897932 - r;
	return negative(y) ? -r : r;
}
