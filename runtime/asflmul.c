#include "fpcore.h"

extern __fp32 __flmul(__fp32 a, __fp32 b);

/* *p *= b in 32-bit floats: the new *p. */
__fp32 __asflmul(__fp32 *p, __fp32 b)
{
	return *p = __flmul(*p, b);
}
