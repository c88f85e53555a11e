#include "fpcore.h"

extern __fl __fldiv(__fl a, __fl b);

/* *p /= b in 32-bit floats: the new *p. */
__fl __asfldiv(__fl *p, __fl b)
{
	*p = __fldiv(*p, b);
	return *p;
}
