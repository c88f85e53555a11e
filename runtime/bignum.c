#include "decimal.h"

void __bigmul(unsigned char *n, unsigned char f)
{
	unsigned int carry = 0;
	unsigned char i = 0;

	do {
		carry += (unsigned int)n[i] * f;
		n[i] = (unsigned char)carry;
		carry >>= 8;
	} while (++i != BIG_BYTES);
}

unsigned char __bigge(const unsigned char *a, const unsigned char *b)
{
	unsigned char i = BIG_BYTES;

	do {
		i--;
		if (a[i] != b[i])
			return a[i] > b[i];
	} while (i != 0);
	return 1;
}

unsigned char __bigdigit(unsigned char *r, const unsigned char *d, unsigned char base)
{
	unsigned char digit = 0;

	__bigmul(r, base);
	while (__bigge(r, d)) {
		unsigned char borrow = 0;
		unsigned char i = 0;

		do {
			unsigned int diff = (unsigned int)r[i] - d[i] - borrow;

			r[i] = (unsigned char)diff;
			borrow = (diff >> 8) & 1;
		} while (++i != BIG_BYTES);
		digit++;
	}
	return digit;
}
