#include <stdlib.h>

void *bsearch(const void *key, const void *base, size_t count, size_t size,
		int (*compare)(const void *, const void *))
{
	const char *low = (const char *)base;

	/* low is the first candidate and count the number of candidates. */
	while (count != 0) {
		const char *middle = low + (count >> 1) * size;
		int order = (*compare)(key, middle);

		if (order == 0)
			return (void *)middle;
		if (order > 0) {
			low = middle + size;
			count = (count - 1) >> 1;
		} else {
			count >>= 1;
		}
	}
	return NULL;
}
