#include "fpcore.h"

/* Unsigned word to a 32-bit float, exactly. */
__fp32 __lwtofl(unsigned int v)
{
	return __fpround(0, 157, v, 23);
}
