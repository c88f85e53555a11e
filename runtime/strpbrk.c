#include <string.h>

char *strpbrk(const char *s, const char *accept)
{
	for (; *s != 0; s++) {
		const char *a = accept;

		for (; *a != 0; a++)
			if (*a == *s)
				return (char *)s;
	}
	return NULL;
}
