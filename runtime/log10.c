#include <math.h>

double log10(double x)
{
	return log(x) * 0.43429448190325182;
}
