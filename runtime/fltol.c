#include "fpcore.h"

/* 32-bit float to long; see __fptol. */
__fps32 __fltol(__fl f)
{
	return __fptol(FL_BITS(f));
}
