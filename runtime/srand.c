#include <stdlib.h>

extern unsigned long __rand_state;

void srand(unsigned int seed)
{
	__rand_state = seed;
}
