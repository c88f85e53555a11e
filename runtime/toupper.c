#include <ctype.h>

int toupper(int c)
{
	return (unsigned int)(c - 'a') <= 25 ? c - ('a' - 'A') : c;
}
