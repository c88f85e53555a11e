#include "fpcore.h"

/* Quotient of 24-bit floats, as 32-bit patterns; one operation a statement, so
 * that few temporaries are live at once. */
__ft __ftdiv(__ft a, __ft b)
{
	__fp32 x = FT_BITS(a), y = FT_BITS(b);

	x <<= 8;
	y <<= 8;
	x = __fpdiv(x, y, 15);
	x >>= 8;
	FT_BITS(a) = (__fp24)x;
	return a;
}
