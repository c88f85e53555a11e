#include <stdlib.h>

/* The quotient rounds toward zero, the remainder takes the numerator's
 * sign. */
ldiv_t ldiv(long numer, long denom)
{
	ldiv_t result;

	result.quot = numer / denom;
	result.rem = numer % denom;
	return result;
}
