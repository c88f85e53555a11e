#include "fpcore.h"

/* Sum of 32-bit floats. */
__fp32 __fladd(__fp32 a, __fp32 b)
{
	return __fpadd(a, b, 23);
}
