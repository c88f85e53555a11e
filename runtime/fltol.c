#include "fpcore.h"

/* 32-bit float to long, the fraction cut off. Beyond the range of long the
 * result is the nearest of 7FFFFFFFh and 80000000h; a NaN gives 0. */
__fps32 __fltol(__fp32 f)
{
	unsigned char exp = FP32_EXP(f);
	__fp32 mant;

	if (exp < 127)
		return 0;
	if (FP32_IS_NAN(f))
		return 0;
	if (exp >= 127 + 31)
		return (f & FP32_SIGN) ? (__fps32)FP32_SIGN : (__fps32)0x7FFFFFFF;
	mant = FP32_MANT(f);
	/* mant is the value times 2^(150 - exp) */
	if (exp > 150)
		mant <<= exp - 150;
	else
		mant >>= 150 - exp;
	return (f & FP32_SIGN) ? -(__fps32)mant : (__fps32)mant;
}
