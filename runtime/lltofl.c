#include "fpcore.h"

/* Unsigned long to a 32-bit float, rounded to the nearest (ties to even). */
__fl __lltofl(__fp32 v)
{
	__fl r;

	FL_BITS(r) = __fpround(0, 157, v, 23);
	return r;
}
