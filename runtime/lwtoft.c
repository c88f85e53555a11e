#include "fpcore.h"

/* Unsigned word to a 24-bit float, exactly. */
__fp24 __lwtoft(unsigned int v)
{
	return (__fp24)(__fpround(0, 157, v, 15) >> 8);
}
