#include "fpcore.h"

/* Product of 24-bit floats. */
__ft __ftmul(__ft a, __ft b)
{
	FT_BITS(a) = (__fp24)(__fpmul((__fp32)FT_BITS(a) << 8, (__fp32)FT_BITS(b) << 8, 15) >> 8);
	return a;
}
