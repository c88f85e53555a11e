#include "fpcore.h"

extern __fp24 __ftmul(__fp24 a, __fp24 b);

/* *p *= b in 24-bit floats: the new *p. */
__fp24 __asftmul(__fp24 *p, __fp24 b)
{
	return *p = __ftmul(*p, b);
}
