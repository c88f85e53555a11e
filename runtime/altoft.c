#include "fpcore.h"

/* Long to a 24-bit float, rounded to the nearest (ties to even). */
__fp24 __altoft(__fps32 v)
{
	if (v < 0)
		return (__fp24)(__fpround(1, 157, -(__fp32)v, 15) >> 8);
	return (__fp24)(__fpround(0, 157, v, 15) >> 8);
}
