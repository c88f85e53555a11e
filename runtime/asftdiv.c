#include "fpcore.h"

extern __ft __ftdiv(__ft a, __ft b);

/* *p /= b in 24-bit floats: the new *p. */
__ft __asftdiv(__ft *p, __ft b)
{
	*p = __ftdiv(*p, b);
	return *p;
}
