#include <math.h>

double ceil(double x)
{
	double i;

	if (modf(x, &i) > 0)
		return i + 1;
	return i;
}
