#include <string.h>

size_t strcspn(const char *s, const char *reject)
{
	size_t n = 0;

	for (; s[n] != 0; n++) {
		const char *r = reject;

		while (*r != 0 && *r != s[n])
			r++;
		if (*r != 0)
			break;
	}
	return n;
}
