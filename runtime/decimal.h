/* Exact conversions between floats and decimal text, for printf and
 * strtod. A float is mant * 2^e with a 24-bit mant, so every value, and
 * every decimal number near one, is a ratio of two integers below 2^160:
 * the conversions keep such a ratio in two 20-byte numbers and take its
 * digits one at a time, multiplying the numerator by the base and
 * subtracting the denominator. Numbers are stored low byte first. */
#ifndef DECIMAL_H
#define DECIMAL_H

#define BIG_BYTES 20

/* n = n * f, modulo 2^160. */
extern void __bigmul(unsigned char *n, unsigned char f);
/* 1 when a >= b. */
extern unsigned char __bigge(const unsigned char *a, const unsigned char *b);
/* The next digit of r / d (r < d) in base: r = r * base, and the digit is
 * how often d then goes into r, which keeps the rest. */
extern unsigned char __bigdigit(unsigned char *r, const unsigned char *d, unsigned char base);

/* The decimal digits of a float, rounded to the nearest (ties to even),
 * one at a time. */
struct __digits {
	unsigned char rem[BIG_BYTES];	/* the digits not yet taken are rem / den */
	unsigned char den[BIG_BYTES];
	int exp;		/* the first digit's power of ten */
	int left;		/* kept digits not yet taken from rem / den; -1 when done */
	unsigned char held;	/* digit held back while 9s follow it; 10 for none */
	unsigned char nines;	/* the 9s held back */
	unsigned char first;	/* digit ready to give; 10 for none */
	unsigned char repeat;	/* digit ready to give queued times after it */
	unsigned char queued;
};

/* Starts the digits of the float whose 32-bit pattern is bits (finite; the
 * sign is ignored): with fixed 0, rounded to digits significant digits;
 * with fixed 1, to digits digits after the decimal point. s->exp is then
 * the power of ten of the first digit of the rounded value (0 for zero);
 * digits below the rounding place are zeros. */
extern void __ftoa(struct __digits *s, unsigned long bits, int digits, unsigned char fixed);
/* The next digit. */
extern unsigned char __ftoa_digit(struct __digits *s);

#endif
