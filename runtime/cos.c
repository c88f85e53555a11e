#include <math.h>

double cos(double x)
{
	return __sincos(x, 1);
}
