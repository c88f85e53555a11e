#include "fpcore.h"

/* Unsigned long to a 32-bit float, rounded to the nearest (ties to even). */
__fp32 __lltofl(__fp32 v)
{
	return __fpround(0, 157, v, 23);
}
