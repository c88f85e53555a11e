#include "fpcore.h"

/* 1 when a >= b, else 0 (always 0 when either is a NaN). Zeros of both
 * signs, and patterns of exponent field 0, are equal. */
unsigned char __flge(__fp32 a, __fp32 b)
{
	if (FP32_IS_NAN(a) || FP32_IS_NAN(b))
		return 0;
	if (FP32_EXP(a) == 0)
		a = 0;
	if (FP32_EXP(b) == 0)
		b = 0;
	if ((a ^ b) & FP32_SIGN)
		return (b & FP32_SIGN) != 0;
	if (a & FP32_SIGN)
		return a <= b;
	return a >= b;
}
