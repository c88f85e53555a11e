#include "fpcore.h"

/* See fpcore.h. Zeros of both signs, and patterns of exponent field 0, are
 * equal; a NaN is neither above nor below anything, itself included. */
unsigned char __fpge(__fp32 a, __fp32 b)
{
	if (FP32_IS_NAN(a) || FP32_IS_NAN(b))
		return 0;
	if (FP32_EXP(a) == 0)
		a = 0;
	if (FP32_EXP(b) == 0)
		b = 0;
	if (a == b)
		return 3;
	if ((a ^ b) & FP32_SIGN)
		return (b & FP32_SIGN) ? 1 : 2;
	if (a & FP32_SIGN)
		return a < b ? 1 : 2;
	return a > b ? 1 : 2;
}
