#include "fpcore.h"

/* Negated 24-bit float: only the sign changes, for zeros and NaNs too. */
__fp24 __ftneg(__fp24 f)
{
	return f ^ 0x800000;
}
