#include <string.h>

int memcmp(const void *s1, const void *s2, size_t n)
{
	const unsigned char *a = (const unsigned char *)s1;
	const unsigned char *b = (const unsigned char *)s2;

	for (; n != 0; n--, a++, b++)
		if (*a != *b)
			return *a - *b;
	return 0;
}
