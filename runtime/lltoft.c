#include "fpcore.h"

/* Unsigned long to a 24-bit float, rounded to the nearest (ties to even). */
__fp24 __lltoft(__fp32 v)
{
	return (__fp24)(__fpround(0, 157, v, 15) >> 8);
}
