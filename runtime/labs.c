#include <stdlib.h>

/* The most negative long comes back as it is. */
long labs(long j)
{
	return j < 0 ? -(unsigned long)j : j;
}
