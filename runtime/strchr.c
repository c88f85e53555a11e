#include <string.h>

/* The terminating NUL is part of the string: strchr(s, 0) finds it. */
char *strchr(const char *s, int c)
{
	for (;; s++) {
		if (*s == (char)c)
			return (char *)s;
		if (*s == 0)
			return NULL;
	}
}
