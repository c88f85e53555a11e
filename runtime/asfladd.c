#include "fpcore.h"

extern __fl __fladd(__fl a, __fl b);

/* *p += b in 32-bit floats: the new *p. */
__fl __asfladd(__fl *p, __fl b)
{
	*p = __fladd(*p, b);
	return *p;
}
