#include "fpcore.h"

/* Negated 24-bit float: only the sign changes, for zeros and NaNs too. */
__ft __ftneg(__ft f)
{
	FT_BITS(f) ^= 0x800000;
	return f;
}
