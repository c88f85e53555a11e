#include <string.h>

size_t strspn(const char *s, const char *accept)
{
	size_t n = 0;

	for (; s[n] != 0; n++) {
		const char *a = accept;

		while (*a != 0 && *a != s[n])
			a++;
		if (*a == 0)
			break;
	}
	return n;
}
