#include "fpcore.h"

/* Unsigned word to a 32-bit float, exactly. */
__fl __lwtofl(unsigned int v)
{
	__fl r;

	FL_BITS(r) = __fpround(0, 157, v, 23);
	return r;
}
