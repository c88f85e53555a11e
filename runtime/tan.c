#include <math.h>

double tan(double x)
{
	return __sincos(x, 0) / __sincos(x, 1);
}
