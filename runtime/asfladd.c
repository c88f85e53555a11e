#include "fpcore.h"

extern __fp32 __fladd(__fp32 a, __fp32 b);

/* *p += b in 32-bit floats: the new *p. */
__fp32 __asfladd(__fp32 *p, __fp32 b)
{
	return *p = __fladd(*p, b);
}
