#include "fpcore.h"

/* The order of 32-bit floats a and b: bit 0 set when a >= b, bit 1 when
 * a <= b (see __fpge). */
unsigned char __flge(__fl a, __fl b)
{
	return __fpge(FL_BITS(a), FL_BITS(b));
}
