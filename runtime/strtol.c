#include <errno.h>
#include <stdlib.h>

extern unsigned long __strtoxl(const char *s, char **endptr, int base, unsigned char *flags);

/* A value out of range gives LONG_MIN or LONG_MAX and sets errno to
 * ERANGE. */
long strtol(const char *s, char **endptr, int base)
{
	unsigned char flags;
	unsigned long value = __strtoxl(s, endptr, base, &flags);
	unsigned long largest = (flags & 1) ? 0x80000000UL : 0x7FFFFFFFUL;

	if ((flags & 2) || value > largest) {
		errno = ERANGE;
		value = largest;
	}
	return (flags & 1) ? -value : value;
}
