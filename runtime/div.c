#include <stdlib.h>

/* The quotient rounds toward zero, the remainder takes the numerator's
 * sign. */
div_t div(int numer, int denom)
{
	div_t result;

	result.quot = numer / denom;
	result.rem = numer % denom;
	return result;
}
