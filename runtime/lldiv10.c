#include "div10.h"

/* Unsigned long quotient by ten, without a division loop. */
unsigned long __lldiv10(unsigned long x)
{
#define B(i) (((unsigned char *)&x)[i])
	unsigned int mid;
	unsigned char q, r = 0;
	unsigned long quotient;
	/* The quotient's bytes go through a pointer, from the top: the
	 * dividend's are still read, and the compiler cannot mistake a store
	 * of its low byte for one of the whole. */
	unsigned char *p = (unsigned char *)&quotient + 3;

	DIV10_FIRST(B(3), q, r, mid);
	*p-- = q;
	DIV10_STEP(B(2), q, r, mid);
	*p-- = q;
	DIV10_STEP(B(1), q, r, mid);
	*p-- = q;
	DIV10_STEP(B(0), q, r, mid);
	*p = q;
	return quotient;
#undef B
}
