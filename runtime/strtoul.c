#include <errno.h>
#include <stdlib.h>

extern unsigned long __strtoxl(const char *s, char **endptr, int base, unsigned char *flags);

/* A minus sign negates the value as an unsigned long; a value out of range
 * gives ULONG_MAX and sets errno to ERANGE. */
unsigned long strtoul(const char *s, char **endptr, int base)
{
	unsigned char flags;
	unsigned long value = __strtoxl(s, endptr, base, &flags);

	if (flags & 2) {
		errno = ERANGE;
		return value;
	}
	return (flags & 1) ? -value : value;
}
