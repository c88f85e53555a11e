#include "fpcore.h"

extern unsigned char __flge(__fp32 a, __fp32 b);

/* 1 when a >= b, else 0; see __flge. */
unsigned char __ftge(__fp24 a, __fp24 b)
{
	return __flge((__fp32)a << 8, (__fp32)b << 8);
}
