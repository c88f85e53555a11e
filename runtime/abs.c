#include <stdlib.h>

/* The most negative int has no positive counterpart and comes back as it
 * is. */
int abs(int j)
{
	return j < 0 ? -(unsigned int)j : j;
}
