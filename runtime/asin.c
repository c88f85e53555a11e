#include <errno.h>
#include <math.h>

double asin(double x)
{
	if (fabs(x) > 1) {
		errno = EDOM;
		return HUGE_VAL - HUGE_VAL;
	}
	return atan2(x, sqrt((1 - x) * (1 + x)));
}
