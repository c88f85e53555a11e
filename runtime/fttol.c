#include "fpcore.h"

extern __fps32 __fltol(__fp32 f);

/* 24-bit float to long; see __fltol. */
__fps32 __fttol(__fp24 f)
{
	return __fltol((__fp32)f << 8);
}
