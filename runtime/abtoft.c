#include "fpcore.h"

/* Signed byte to a 24-bit float, exactly. */
__fp24 __abtoft(signed char v)
{
	if (v < 0)
		return (__fp24)(__fpround(1, 157, -(__fp32)v, 15) >> 8);
	return (__fp24)(__fpround(0, 157, v, 15) >> 8);
}
