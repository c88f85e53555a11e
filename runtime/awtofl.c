#include "fpcore.h"

/* Signed word to a 32-bit float, exactly. */
__fl __awtofl(int v)
{
	__fl r;

	if (v < 0)
		FL_BITS(r) = __fpround(1, 157, -(__fp32)v, 23);
	else
		FL_BITS(r) = __fpround(0, 157, v, 23);
	return r;
}
