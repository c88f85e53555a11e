#include "fpcore.h"

extern __ft __ftmul(__ft a, __ft b);

/* *p *= b in 24-bit floats: the new *p. */
__ft __asftmul(__ft *p, __ft b)
{
	*p = __ftmul(*p, b);
	return *p;
}
