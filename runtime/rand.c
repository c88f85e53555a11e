#include <stdlib.h>

/* The generator's state, which srand sets; before any srand it is as if
 * srand(1) had been called. */
unsigned long __rand_state = 1;

/* A linear congruential generator; the result is bits 16 to 30 of the
 * state, whose low bits repeat too soon. */
int rand(void)
{
	__rand_state = __rand_state * 1103515245UL + 12345;
	return (unsigned int)(__rand_state >> 16) & RAND_MAX;
}
