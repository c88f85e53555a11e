#include "div10.h"

/* Unsigned word quotient by ten, without a division loop. */
unsigned int __lwdiv10(unsigned int x)
{
#define B(i) (((unsigned char *)&x)[i])
	unsigned int mid;
	unsigned char high, q, r = 0;

	/* The quotient is put together from its bytes, not written over the
	 * dividend's, which the steps still read. */
	DIV10_FIRST(B(1), high, r, mid);
	DIV10_STEP(B(0), q, r, mid);
	return (unsigned int)high << 8 | q;
#undef B
}
