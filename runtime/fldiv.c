#include "fpcore.h"

/* Quotient of 32-bit floats. */
__fp32 __fldiv(__fp32 a, __fp32 b)
{
	return __fpdiv(a, b, 23);
}
