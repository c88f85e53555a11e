#include "fpcore.h"

/* The order of 24-bit floats a and b: bit 0 set when a >= b, bit 1 when
 * a <= b (see __fpge). */
unsigned char __ftge(__ft a, __ft b)
{
	return __fpge((__fp32)FT_BITS(a) << 8, (__fp32)FT_BITS(b) << 8);
}
