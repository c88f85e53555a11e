#include <stdlib.h>

static void swap(char *a, char *b, size_t size)
{
	while (size-- != 0) {
		char t = *a;

		*a++ = *b;
		*b++ = t;
	}
}

/* Heapsort: no recursion, which the compiled stack forbids, no extra
 * memory, and n log n comparisons at worst. Node i of the heap has its
 * children at 2i + 1 and 2i + 2. */
void qsort(void *base, size_t count, size_t size, int (*compare)(const void *, const void *))
{
	char *first = (char *)base;
	size_t top = count;		/* the heap is elements 0..top-1 */
	size_t start = count >> 1;	/* nodes below it are still to sift */

	if (count < 2)
		return;
	for (;;) {
		size_t node;

		if (start != 0) {
			node = --start;		/* building the heap */
		} else {
			/* The largest goes to the end; the heap shrinks by one. */
			swap(first, first + --top * size, size);
			if (top < 2)
				return;
			node = 0;
		}
		/* Sift the node down until no child is larger. */
		while (node < (top >> 1)) {
			size_t child = (node << 1) + 1;
			char *c = first + child * size;
			char *p = first + node * size;

			if (child + 1 < top && (*compare)(c, c + size) < 0) {
				child++;
				c += size;
			}
			if ((*compare)(p, c) >= 0)
				break;
			swap(p, c, size);
			node = child;
		}
	}
}
