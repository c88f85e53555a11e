#include <ctype.h>

int tolower(int c)
{
	return (unsigned int)(c - 'A') <= 25 ? c + ('a' - 'A') : c;
}
