#include "fpcore.h"

/* Signed word to a 24-bit float, exactly. */
__ft __awtoft(int v)
{
	__ft r;

	if (v < 0)
		FT_BITS(r) = (__fp24)(__fpround(1, 157, -(__fp32)v, 15) >> 8);
	else
		FT_BITS(r) = (__fp24)(__fpround(0, 157, v, 15) >> 8);
	return r;
}
