#include "fpcore.h"

/* Negated 32-bit float: only the sign changes, for zeros and NaNs too. */
__fl __flneg(__fl f)
{
	FL_BITS(f) ^= FP32_SIGN;
	return f;
}
