#include "fpcore.h"

/* 24-bit float to long; see __fptol. */
__fps32 __fttol(__ft f)
{
	return __fptol((__fp32)FT_BITS(f) << 8);
}
