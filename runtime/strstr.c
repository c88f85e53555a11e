#include <string.h>

/* An empty string is found at the start. */
char *strstr(const char *s, const char *find)
{
	for (;; s++) {
		const char *a = s;
		const char *b = find;

		while (*b != 0 && *a == *b) {
			a++;
			b++;
		}
		if (*b == 0)
			return (char *)s;
		if (*s == 0)
			return NULL;
	}
}
