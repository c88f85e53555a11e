#include "fpcore.h"

extern __fp32 __fldiv(__fp32 a, __fp32 b);

/* *p /= b in 32-bit floats: the new *p. */
__fp32 __asfldiv(__fp32 *p, __fp32 b)
{
	return *p = __fldiv(*p, b);
}
