#include "fpcore.h"

/* Sum of 24-bit floats. */
__ft __ftadd(__ft a, __ft b)
{
	FT_BITS(a) = (__fp24)(__fpadd((__fp32)FT_BITS(a) << 8, (__fp32)FT_BITS(b) << 8, 15) >> 8);
	return a;
}
