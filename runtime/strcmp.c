#include <string.h>

/* Characters compare as unsigned chars. */
int strcmp(const char *s1, const char *s2)
{
	const unsigned char *a = (const unsigned char *)s1;
	const unsigned char *b = (const unsigned char *)s2;

	while (*a == *b && *a != 0) {
		a++;
		b++;
	}
	return *a - *b;
}
