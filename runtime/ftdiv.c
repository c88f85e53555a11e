#include "fpcore.h"

/* Quotient of 24-bit floats. */
__ft __ftdiv(__ft a, __ft b)
{
	FT_BITS(a) = (__fp24)(__fpdiv((__fp32)FT_BITS(a) << 8, (__fp32)FT_BITS(b) << 8, 15) >> 8);
	return a;
}
