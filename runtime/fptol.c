#include "fpcore.h"

/* A float's 32-bit pattern to a long, the fraction cut off. Below 2^32 in
 * magnitude the result is the value modulo 2^32, so that the same bits
 * serve unsigned long; beyond, it is 7FFFFFFFh for positive values and
 * 80000000h for negative ones; a NaN gives 0. */
__fps32 __fptol(__fp32 f)
{
	unsigned char exp = FP32_EXP(f);
	__fp32 mant;

	if (exp < 127)
		return 0;
	if (FP32_IS_NAN(f))
		return 0;
	if (exp >= 127 + 32)
		return (f & FP32_SIGN) ? (__fps32)FP32_SIGN : (__fps32)0x7FFFFFFF;
	mant = FP32_MANT(f);
	/* mant is the value times 2^(150 - exp) */
	if (exp > 150)
		mant <<= exp - 150;
	else
		mant >>= 150 - exp;
	return (__fps32)((f & FP32_SIGN) ? 0 - mant : mant);
}
