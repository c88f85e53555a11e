#include "fpcore.h"

/* Product of 32-bit floats. */
__fp32 __flmul(__fp32 a, __fp32 b)
{
	return __fpmul(a, b, 23);
}
