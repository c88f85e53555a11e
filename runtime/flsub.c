#include "fpcore.h"

/* Difference of 32-bit floats. */
__fp32 __flsub(__fp32 a, __fp32 b)
{
	return __fpadd(a, b ^ FP32_SIGN, 23);
}
