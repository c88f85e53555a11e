#include "decimal.h"

#define NONE 10

/* Multiplies n by 2^k. */
static void big_shift(unsigned char *n, int k)
{
	for (; k > 7; k -= 7)
		__bigmul(n, 128);
	__bigmul(n, (unsigned char)(1 << k));
}

static void big_set(unsigned char *n, unsigned long v)
{
	unsigned char i = 0;

	do {
		n[i] = (unsigned char)v;
		v >>= 8;
	} while (++i != BIG_BYTES);
}

/* Gives out the digit held back and the 9s after it, all raised by one
 * when up is 1 (the 9s then become 0s). */
static void release(struct __digits *s, unsigned char up)
{
	s->first = s->held + up;
	s->repeat = up ? 0 : 9;
	s->queued = s->nines;
	s->nines = 0;
	s->held = NONE;
}

/* Takes the next digit of rem / den; a 9 is held back, since a carry may
 * still reach it. */
static void step(struct __digits *s)
{
	unsigned char d = __bigdigit(s->rem, s->den, 10);

	s->left--;
	if (d == 9) {
		s->nines++;
	} else {
		release(s, 0);
		s->held = d;
	}
}

/* After the last kept digit: 1 when the rest, rem / den, rounds it up. */
static unsigned char round_up(struct __digits *s)
{
	unsigned char i = 0;

	if (!__bigdigit(s->rem, s->den, 2))
		return 0;
	do {
		if (s->rem[i])
			return 1;
	} while (++i != BIG_BYTES);
	/* Half way: to the even one of the two. */
	return s->nines ? 1 : s->held != NONE && (s->held & 1);
}

void __ftoa(struct __digits *s, unsigned long bits, int digits, unsigned char fixed)
{
	unsigned char e = (unsigned char)(bits >> 23);
	int bin, dec, k;

	s->held = s->first = NONE;
	s->nines = s->queued = 0;
	s->exp = 0;
	s->left = -1;
	if (e == 0)
		return;
	/* value = mant * 2^bin, and dec is below its power of ten by 1 or 2:
	 * 77/256 is just below log10(2). */
	bin = e - 150;
	dec = (int)((e * 77U + 205) / 256) - 40;
	big_set(s->rem, (bits & 0x7FFFFF) | 0x800000);
	big_set(s->den, 1);
	if (bin > 0)
		big_shift(s->rem, bin);
	else
		big_shift(s->den, -bin);
	/* rem / den = value / 10^(dec + 1) */
	for (k = dec; k < -1; k++)
		__bigmul(s->rem, 10);
	for (k = dec; k > -1; k--)
		__bigmul(s->den, 10);
	/* ... below 1, which makes dec the power of the first digit. */
	while (__bigge(s->rem, s->den)) {
		__bigmul(s->den, 10);
		dec++;
	}
	s->exp = dec;
	s->left = fixed ? digits + dec + 1 : digits;
	if (s->left < 0) {
		s->left = -1;
		return;
	}
	/* Up to the first digit below 9 a carry may still reach the first
	 * place, which would move the first digit one place up. */
	while (s->left != 0 && s->held == NONE)
		step(s);
	if (s->held == NONE) {
		if (round_up(s)) {
			s->exp++;
			s->first = 1;
			s->nines = 0;
		} else {
			release(s, 0);
		}
		s->left = -1;
	}
}

unsigned char __ftoa_digit(struct __digits *s)
{
	unsigned char d;

	for (;;) {
		if (s->first != NONE) {
			d = s->first;
			s->first = NONE;
			return d;
		}
		if (s->queued) {
			s->queued--;
			return s->repeat;
		}
		if (s->left < 0)
			return 0;
		if (s->left == 0) {
			release(s, round_up(s));
			s->left = -1;
		} else {
			step(s);
		}
	}
}
