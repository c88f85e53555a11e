#include <ctype.h>

int isxdigit(int c)
{
	return (unsigned int)(c - '0') <= 9 || (unsigned int)((c | 0x20) - 'a') <= 5;
}
