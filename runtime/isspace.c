#include <ctype.h>

/* Space, tab, newline, vertical tab, form feed, carriage return. */
int isspace(int c)
{
	return c == ' ' || (unsigned int)(c - '\t') <= '\r' - '\t';
}
