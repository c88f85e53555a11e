#include "fpcore.h"

/* Signed byte to a 32-bit float, exactly. */
__fl __abtofl(signed char v)
{
	__fl r;

	if (v < 0)
		FL_BITS(r) = __fpround(1, 157, -(__fp32)v, 23);
	else
		FL_BITS(r) = __fpround(0, 157, v, 23);
	return r;
}
