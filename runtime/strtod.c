#include <errno.h>
#include <math.h>
#include <stdlib.h>

/* A decimal number after white space: a sign, digits with a point among
 * them, and an exponent. Its first 9 significant digits are read exactly
 * into an unsigned long n and the value is n * 10^e, computed by squaring
 * and multiplying powers of ten: the result is within a few units of the
 * last place (runtime/README.md). Out of range, the result is HUGE_VAL or
 * a zero, of the number's sign, and errno is ERANGE. */
double strtod(const char *s, char **endptr)
{
	const char *start = s;
	unsigned long n = 0;
	int e = 0, x = 0;
	unsigned char negative = 0, exp_negative = 0, digits = 0, point = 0, kept = 0;
	double v, p;

	while (*s == ' ' || (unsigned char)(*s - '\t') <= '\r' - '\t')
		s++;
	if (*s == '-' || *s == '+')
		negative = *s++ == '-';
	for (;; s++) {
		if (*s == '.' && !point) {
			point = 1;
			continue;
		}
		if ((unsigned char)(*s - '0') > 9)
			break;
		digits = 1;
		/* Digits past the ninth significant one only scale. */
		if (kept < 9) {
			if (n != 0 || *s != '0')
				kept++;
			n = n * 10 + (unsigned char)(*s - '0');
			if (point)
				e--;
		} else if (!point) {
			e++;
		}
	}
	if (!digits) {
		if (endptr != NULL)
			*endptr = (char *)start;
		return 0;
	}
	if ((*s | 0x20) == 'e') {
		const char *mark = s++;

		if (*s == '-' || *s == '+')
			exp_negative = *s++ == '-';
		if ((unsigned char)(*s - '0') > 9) {
			s = mark;
		} else {
			for (; (unsigned char)(*s - '0') <= 9; s++)
				if (x < 1000)
					x = x * 10 + (*s - '0');
		}
	}
	if (endptr != NULL)
		*endptr = (char *)s;
	e += exp_negative ? -x : x;
	v = (double)n;
	if (n != 0) {
		/* Beyond these every result is out of range. */
		if (e > 60)
			e = 60;
		if (e < -70)
			e = -70;
		p = 10;
		x = e < 0 ? -e : e;
		for (;;) {
			if (x & 1) {
				if (e < 0)
					v /= p;
				else
					v *= p;
			}
			x >>= 1;
			if (x == 0)
				break;
			p *= p;
		}
		if (v == 0 || v == HUGE_VAL)
			errno = ERANGE;
	}
	return negative ? -v : v;
}
