#include "fpcore.h"

/* Unsigned byte to a 32-bit float, exactly. */
__fp32 __lbtofl(unsigned char v)
{
	return __fpround(0, 157, v, 23);
}
