#include <string.h>

void *memcpy(void *to, const void *from, size_t n)
{
	unsigned char *d = (unsigned char *)to;
	const unsigned char *s = (const unsigned char *)from;

	while (n-- != 0)
		*d++ = *s++;
	return to;
}
