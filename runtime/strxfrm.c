#include <string.h>

/* Without locales a string transforms into itself: copies it when it fits
 * in n characters with its NUL, and returns its length either way. */
size_t strxfrm(char *to, const char *from, size_t n)
{
	size_t length = strlen(from);

	if (length < n)
		strcpy(to, from);
	return length;
}
