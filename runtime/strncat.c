#include <string.h>

/* Appends at most n characters, then always a NUL. */
char *strncat(char *to, const char *from, size_t n)
{
	char *d = to;

	while (*d != 0)
		d++;
	for (; n != 0 && *from != 0; n--)
		*d++ = *from++;
	*d = 0;
	return to;
}
