#include "fpcore.h"

extern __ft __ftsub(__ft a, __ft b);

/* *p -= b in 24-bit floats: the new *p. */
__ft __asftsub(__ft *p, __ft b)
{
	*p = __ftsub(*p, b);
	return *p;
}
