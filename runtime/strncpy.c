#include <string.h>

/* Copies at most n characters and pads a shorter string with NULs to n;
 * a string of n characters or more is left unterminated. */
char *strncpy(char *to, const char *from, size_t n)
{
	char *d = to;

	for (; n != 0 && *from != 0; n--)
		*d++ = *from++;
	for (; n != 0; n--)
		*d++ = 0;
	return to;
}
