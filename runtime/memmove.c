#include <string.h>

/* Copies backwards when the target starts inside the source, so that
 * overlapping blocks come out whole. */
void *memmove(void *to, const void *from, size_t n)
{
	unsigned char *d = (unsigned char *)to;
	const unsigned char *s = (const unsigned char *)from;

	if (d > s && d < s + n) {
		d += n;
		s += n;
		while (n-- != 0)
			*--d = *--s;
	} else {
		while (n-- != 0)
			*d++ = *s++;
	}
	return to;
}
