#include <string.h>

void *memchr(const void *s, int c, size_t n)
{
	const unsigned char *p = (const unsigned char *)s;

	for (; n != 0; n--, p++)
		if (*p == (unsigned char)c)
			return (void *)p;
	return NULL;
}
