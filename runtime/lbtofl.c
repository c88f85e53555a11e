#include "fpcore.h"

/* Unsigned byte to a 32-bit float, exactly. */
__fl __lbtofl(unsigned char v)
{
	__fl r;

	FL_BITS(r) = __fpround(0, 157, v, 23);
	return r;
}
