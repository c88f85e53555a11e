#include <stdlib.h>

/* Decimal digits after white space and a sign; the value wraps when it
 * does not fit. Kept apart from strtol so as not to need 32-bit arithmetic. */
int atoi(const char *s)
{
	unsigned int value = 0;
	unsigned char negative = 0;

	while (*s == ' ' || (unsigned char)(*s - '\t') <= '\r' - '\t')
		s++;
	if (*s == '-' || *s == '+')
		negative = *s++ == '-';
	while ((unsigned char)(*s - '0') <= 9)
		value = value * 10 + (unsigned char)(*s++ - '0');
	return negative ? -value : value;
}
