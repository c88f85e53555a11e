#include "fpcore.h"

/* Unsigned byte to a 24-bit float, exactly. */
__ft __lbtoft(unsigned char v)
{
	__ft r;

	FT_BITS(r) = (__fp24)(__fpround(0, 157, v, 15) >> 8);
	return r;
}
