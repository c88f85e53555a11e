#include "fpcore.h"

/* Product of 24-bit floats. */
__fp24 __ftmul(__fp24 a, __fp24 b)
{
	return (__fp24)(__fpmul((__fp32)a << 8, (__fp32)b << 8, 15) >> 8);
}
