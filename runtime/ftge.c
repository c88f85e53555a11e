#include "fpcore.h"

/* The order of 24-bit floats a and b: bit 0 set when a >= b, bit 1 when
 * a <= b (see __fpge). */
unsigned char __ftge(__ft a, __ft b)
{
	__fp32 x = FT_BITS(a), y = FT_BITS(b);

	x <<= 8;
	y <<= 8;
	return __fpge(x, y);
}
