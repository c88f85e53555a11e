#include "fpcore.h"

extern __fp32 __flsub(__fp32 a, __fp32 b);

/* *p -= b in 32-bit floats: the new *p. */
__fp32 __asflsub(__fp32 *p, __fp32 b)
{
	return *p = __flsub(*p, b);
}
