#include <math.h>

double floor(double x)
{
	double i;

	if (modf(x, &i) < 0)
		return i - 1;
	return i;
}
