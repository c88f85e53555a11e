#include "fpcore.h"

/* Sum of 32-bit floats. */
__fl __fladd(__fl a, __fl b)
{
	FL_BITS(a) = __fpadd(FL_BITS(a), FL_BITS(b), 23);
	return a;
}
