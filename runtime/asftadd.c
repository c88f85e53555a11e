#include "fpcore.h"

extern __ft __ftadd(__ft a, __ft b);

/* *p += b in 24-bit floats: the new *p. */
__ft __asftadd(__ft *p, __ft b)
{
	*p = __ftadd(*p, b);
	return *p;
}
