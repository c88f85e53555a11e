#include "fpcore.h"

/* Difference of 24-bit floats. */
__fp24 __ftsub(__fp24 a, __fp24 b)
{
	return (__fp24)(__fpadd((__fp32)a << 8, ((__fp32)b << 8) ^ FP32_SIGN, 15) >> 8);
}
