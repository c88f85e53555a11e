#include "fpcore.h"

/* Negated 32-bit float: only the sign changes, for zeros and NaNs too. */
__fp32 __flneg(__fp32 f)
{
	return f ^ FP32_SIGN;
}
