#include "fpcore.h"

/* 24-bit float to long; see __fptol. */
__fps32 __fttol(__ft f)
{
	__fp32 x = FT_BITS(f);

	x <<= 8;
	return __fptol(x);
}
