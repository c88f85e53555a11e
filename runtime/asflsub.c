#include "fpcore.h"

extern __fl __flsub(__fl a, __fl b);

/* *p -= b in 32-bit floats: the new *p. */
__fl __asflsub(__fl *p, __fl b)
{
	*p = __flsub(*p, b);
	return *p;
}
