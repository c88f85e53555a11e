#include "fpcore.h"

/* Quotient of 32-bit floats. */
__fl __fldiv(__fl a, __fl b)
{
	FL_BITS(a) = __fpdiv(FL_BITS(a), FL_BITS(b), 23);
	return a;
}
