#include "fpcore.h"

extern __fl __flmul(__fl a, __fl b);

/* *p *= b in 32-bit floats: the new *p. */
__fl __asflmul(__fl *p, __fl b)
{
	*p = __flmul(*p, b);
	return *p;
}
