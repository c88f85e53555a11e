#include "fpcore.h"

/* Long to a 32-bit float, rounded to the nearest (ties to even). */
__fl __altofl(__fps32 v)
{
	__fl r;

	if (v < 0)
		FL_BITS(r) = __fpround(1, 157, -(__fp32)v, 23);
	else
		FL_BITS(r) = __fpround(0, 157, v, 23);
	return r;
}
