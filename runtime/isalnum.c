#include <ctype.h>

int isalnum(int c)
{
	return (unsigned int)(c - '0') <= 9 || (unsigned int)((c | 0x20) - 'a') <= 25;
}
