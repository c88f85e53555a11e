#include "fpcore.h"

/* Long to a 32-bit float, rounded to the nearest (ties to even). */
__fp32 __altofl(__fps32 v)
{
	if (v < 0)
		return __fpround(1, 157, -(__fp32)v, 23);
	return __fpround(0, 157, v, 23);
}
