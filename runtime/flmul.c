#include "fpcore.h"

/* Product of 32-bit floats. */
__fl __flmul(__fl a, __fl b)
{
	FL_BITS(a) = __fpmul(FL_BITS(a), FL_BITS(b), 23);
	return a;
}
