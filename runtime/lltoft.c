#include "fpcore.h"

/* Unsigned long to a 24-bit float, rounded to the nearest (ties to even). */
__ft __lltoft(__fp32 v)
{
	__ft r;

	FT_BITS(r) = (__fp24)(__fpround(0, 157, v, 15) >> 8);
	return r;
}
