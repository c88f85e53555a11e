#include "fpcore.h"

extern __fp24 __ftdiv(__fp24 a, __fp24 b);

/* *p /= b in 24-bit floats: the new *p. */
__fp24 __asftdiv(__fp24 *p, __fp24 b)
{
	return *p = __ftdiv(*p, b);
}
