#include <math.h>

double sin(double x)
{
	return __sincos(x, 0);
}
