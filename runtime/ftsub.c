#include "fpcore.h"

/* Difference of 24-bit floats. */
__ft __ftsub(__ft a, __ft b)
{
	FT_BITS(a) = (__fp24)(__fpadd((__fp32)FT_BITS(a) << 8, ((__fp32)FT_BITS(b) << 8) ^ FP32_SIGN, 15) >> 8);
	return a;
}
