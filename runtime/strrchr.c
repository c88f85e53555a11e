#include <string.h>

char *strrchr(const char *s, int c)
{
	const char *found = NULL;

	for (;; s++) {
		if (*s == (char)c)
			found = s;
		if (*s == 0)
			return (char *)found;
	}
}
