#include "fpcore.h"

/* Difference of 32-bit floats. */
__fl __flsub(__fl a, __fl b)
{
	FL_BITS(a) = __fpadd(FL_BITS(a), FL_BITS(b) ^ FP32_SIGN, 23);
	return a;
}
