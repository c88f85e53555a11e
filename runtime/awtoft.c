#include "fpcore.h"

/* Signed word to a 24-bit float, exactly. */
__fp24 __awtoft(int v)
{
	if (v < 0)
		return (__fp24)(__fpround(1, 157, -(__fp32)v, 15) >> 8);
	return (__fp24)(__fpround(0, 157, v, 15) >> 8);
}
