#include "fpcore.h"

/* Signed byte to a 32-bit float, exactly. */
__fp32 __abtofl(signed char v)
{
	if (v < 0)
		return __fpround(1, 157, -(__fp32)v, 23);
	return __fpround(0, 157, v, 23);
}
