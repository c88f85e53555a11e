#include <stdlib.h>

/* The part strtol and strtoul share: reads white space, a sign and the
 * digits of base (0: decimal, octal after 0, hexadecimal after 0x), sets
 * *endptr, and returns the magnitude; *flags gets bit 0 for a minus sign
 * and bit 1 when the magnitude does not fit in an unsigned long (the
 * result is then 0FFFFFFFFh). Without digits nothing is read. */
unsigned long __strtoxl(const char *s, char **endptr, int base, unsigned char *flags)
{
	const char *start = s;
	unsigned long value = 0;
	unsigned long limit;
	unsigned char last_digit;
	unsigned char digits = 0;

	*flags = 0;
	while (*s == ' ' || (unsigned char)(*s - '\t') <= '\r' - '\t')
		s++;
	if (*s == '-' || *s == '+') {
		if (*s == '-')
			*flags = 1;
		s++;
	}
	/* A prefix counts only with a digit after it: "0x" alone reads as 0. */
	if ((base == 0 || base == 16) && s[0] == '0' && (s[1] | 0x20) == 'x' &&
	    ((unsigned char)(s[2] - '0') <= 9 || (unsigned char)((s[2] | 0x20) - 'a') <= 5)) {
		s += 2;
		base = 16;
	} else if (base == 0) {
		base = *s == '0' ? 8 : 10;
	}
	if (base >= 2 && base <= 36) {
		limit = 0xFFFFFFFFUL / (unsigned char)base;
		last_digit = 0xFFFFFFFFUL % (unsigned char)base;
		for (;; s++, digits = 1) {
			unsigned char digit = *s - '0';

			if (digit > 9) {
				digit = (*s | 0x20) - 'a';
				if (digit > 25)
					break;
				digit += 10;
			}
			if (digit >= base)
				break;
			/* Once too large the value stays at its largest, above limit. */
			if (value > limit || (value == limit && digit > last_digit)) {
				*flags |= 2;
				value = 0xFFFFFFFFUL;
			} else {
				value = value * (unsigned char)base + digit;
			}
		}
	}
	if (endptr != NULL)
		*endptr = (char *)(digits ? s : start);
	return value;
}
