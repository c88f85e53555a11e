#include "fpcore.h"

/* Unsigned byte to a 24-bit float, exactly. */
__fp24 __lbtoft(unsigned char v)
{
	return (__fp24)(__fpround(0, 157, v, 15) >> 8);
}
