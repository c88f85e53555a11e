#include <math.h>

/* The sign bit cleared, so fabs(-0.0) is +0.0. */
double fabs(double x)
{
	union {
		double d;
		unsigned char b[sizeof(double)];
	} u;

	u.d = x;
	u.b[sizeof(double) - 1] &= 0x7F;
	return u.d;
}
