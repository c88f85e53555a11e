/* printf and its kin, compiled with each program that calls them. The
 * driver learns from the code generator which conversions, flags and
 * entry points the program's formats use, and defines a macro for each
 * (TEN for %d, FFMT for %f, PRINTF for a call of printf, ...), so that
 * only their code is compiled here. Compiled with none of them, everything
 * is in. */
#include <stdarg.h>
#include <stdio.h>
#include "decimal.h"

#if !defined(SPCSIGN) && !defined(MANSIGN) && !defined(FILL) && !defined(LEFT) && \
	!defined(LONG) && !defined(ALTERN) && !defined(UPCASE) && !defined(TEN) && \
	!defined(EIGHT) && !defined(COUNT) && !defined(UNSIGN) && !defined(EFMT) && \
	!defined(GFMT) && !defined(FFMT) && !defined(POINTER) && !defined(WIDTH) && \
	!defined(PRECISION) && !defined(STAR) && !defined(STRING) && !defined(CHAR) && \
	!defined(PERCPERC) && !defined(HEXUPCASE) && !defined(HEXLOWCASE) && \
	!defined(CUSTOM_PRINTF) && !defined(RETVALUE)
#define SPCSIGN
#define MANSIGN
#define FILL
#define LEFT
#define LONG
#define ALTERN
#define UPCASE
#define TEN
#define EIGHT
#define COUNT
#define UNSIGN
#define EFMT
#define GFMT
#define FFMT
#define POINTER
#define WIDTH
#define PRECISION
#define STAR
#define STRING
#define CHAR
#define PERCPERC
#define HEXUPCASE
#define HEXLOWCASE
#endif

/* The entry points: printf and vprintf write through putch, sprintf and
 * vsprintf into a string. Naming none (a printf-like function of the
 * program's own that calls vprintf or vsprintf) gives all four. */
#if !defined(PRINTF) && !defined(SPRINTF) && !defined(VPRINTF) && !defined(VSPRINTF)
#define PRINTF
#define SPRINTF
#define VPRINTF
#define VSPRINTF
#endif
#if defined(PRINTF) || defined(VPRINTF)
#define _DP_PUTCH
#endif
#if defined(SPRINTF) || defined(VSPRINTF)
#define _DP_STRING
#endif

#if defined(WIDTH) || defined(STAR)
#define _DP_PAD
#endif
#if defined(LEFT) || defined(STAR)
#define _DP_LEFT
#endif
#if defined(_DP_LEFT) || defined(MANSIGN) || defined(SPCSIGN) || defined(ALTERN) || defined(FILL)
#define _DP_FLAGS
#endif
#if defined(UNSIGN) || defined(EIGHT) || defined(HEXLOWCASE) || defined(HEXUPCASE)
#define _DP_UNSIGNED
#endif
#if defined(TEN) || defined(_DP_UNSIGNED)
#define _DP_INT
#endif
#if defined(EFMT) || defined(FFMT) || defined(GFMT)
#define _DP_FLOAT
#endif

/* A double argument is read as its bit pattern, so that no floating
 * arithmetic is needed here. */
#ifndef DP_DOUBLE
#if sizeof(double) == 4
#define DP_DOUBLE	unsigned long
#define DP_DOUBLE_SHIFT	0
#else
#define DP_DOUBLE	unsigned short long
#define DP_DOUBLE_SHIFT	8
#endif
#endif

#define DP_LEFT		1
#define DP_PLUS		2
#define DP_SPACE	4
#define DP_ALT		8
#define DP_ZERO		16
/* The flags' tests, constant when the flag's feature is out. */
#ifdef _DP_LEFT
#define DP_IS_LEFT	(dp_flags & DP_LEFT)
#else
#define DP_IS_LEFT	0
#endif
#ifdef FILL
#define DP_IS_ZERO	(dp_flags & DP_ZERO)
#else
#define DP_IS_ZERO	0
#endif
#ifdef ALTERN
#define DP_IS_ALT	(dp_flags & DP_ALT)
#else
#define DP_IS_ALT	0
#endif

#ifdef _DP_STRING
static char *dp_string;
#endif
static int dp_count;
#ifdef _DP_FLAGS
static unsigned char dp_flags;
#endif
#ifdef _DP_PAD
static int dp_width;
#endif
/* What comes before the digits and after any padding in spaces: a sign,
 * or 0x. */
static char dp_prefix[3];

static void dp_put(char c)
{
#if defined(_DP_STRING) && defined(_DP_PUTCH)
	if (dp_string)
		*dp_string++ = c;
	else
		putch(c);
#elif defined(_DP_STRING)
	*dp_string++ = c;
#else
	putch(c);
#endif
	dp_count++;
}

#ifdef _DP_PAD
static void dp_pad(char c, int n)
{
	for (; n > 0; n--)
		dp_put(c);
}
#endif

static void dp_put_prefix(void)
{
	char *p;

	for (p = dp_prefix; *p; p++)
		dp_put(*p);
}

#ifdef _DP_PAD
/* The start of a field of len characters besides its prefix: the prefix,
 * and the padding the width asks for, in spaces before the prefix or in
 * zeros after it. */
static void dp_begin(int len)
{
	char *p;

	for (p = dp_prefix; *p; p++)
		len++;
	dp_width -= len;
	if (!DP_IS_LEFT && !DP_IS_ZERO)
		dp_pad(' ', dp_width);
	dp_put_prefix();
	if (!DP_IS_LEFT && DP_IS_ZERO)
		dp_pad('0', dp_width);
}
#else
#define dp_begin(len)	dp_put_prefix()
#endif

/* The end of a field: the padding of a left-justified one. */
static void dp_end(void)
{
#if defined(_DP_PAD) && defined(_DP_LEFT)
	if (DP_IS_LEFT)
		dp_pad(' ', dp_width);
#endif
}

#if defined(TEN) || defined(_DP_FLOAT)
static void dp_sign(unsigned char negative)
{
	dp_prefix[0] = negative ? '-' :
#ifdef MANSIGN
		(dp_flags & DP_PLUS) ? '+' :
#endif
#ifdef SPCSIGN
		(dp_flags & DP_SPACE) ? ' ' :
#endif
		0;
	dp_prefix[1] = 0;
}
#endif

#if defined(CHAR) || defined(STRING) || defined(_DP_FLOAT)
static void dp_text(const char *s, int n)
{
#ifdef FILL
	dp_flags &= ~DP_ZERO;
#endif
	dp_begin(n);
	for (; n > 0; n--)
		dp_put(*s++);
	dp_end();
}
#endif

#ifdef _DP_INT
#ifdef LONG
typedef unsigned long dp_number;
#else
typedef unsigned int dp_number;
#endif

/* v in base, at least prec digits (-1: none asked for; a precision of 0
 * writes no digit for 0). letter is the digit ten, 'a' or 'A'. */
static void dp_integer(dp_number v, unsigned char base, int prec, char letter)
{
	char digits[11];
	unsigned char n = 0;

	if (v != 0 || prec != 0) {
		do {
			unsigned char d = (unsigned char)(v % base);

			digits[n++] = d < 10 ? '0' + d : letter + (d - 10);
			v /= base;
		} while (v != 0);
	}
#ifdef ALTERN
	/* # with o: the first digit is a 0. */
	if ((dp_flags & DP_ALT) && base == 8 && (n == 0 || digits[n - 1] != '0') && prec <= n)
		prec = n + 1;
#endif
#ifdef FILL
	if (prec >= 0)
		dp_flags &= ~DP_ZERO;
#endif
	if (prec < n)
		prec = n;
	dp_begin(prec);
	for (; prec > n; prec--)
		dp_put('0');
	while (n != 0)
		dp_put(digits[--n]);
	dp_end();
}
#endif

#ifdef POINTER
/* A pointer's bytes in hexadecimal, the highest first. */
static void dp_pointer(void *p)
{
	unsigned char *b = (unsigned char *)&p;
	unsigned char n = sizeof p;

	dp_begin(2 * n);
	while (n != 0) {
		unsigned char d = b[--n];

		dp_put("0123456789abcdef"[d >> 4]);
		dp_put("0123456789abcdef"[d & 15]);
	}
	dp_end();
}
#endif

#ifdef _DP_FLOAT
/* Writes the next digit of s. */
static void dp_digit(struct __digits *s)
{
	char c = '0' + __ftoa_digit(s);

	dp_put(c);
}

/* %e, %f and %g (conv lower-case, or upper-case for %E and %G) of the
 * float whose 32-bit pattern is bits, exactly as its value rounds. */
static void dp_float(unsigned long bits, char conv, int prec)
{
	struct __digits digits;
	char style = conv | 0x20;
	unsigned char point;
#if defined(EFMT) || defined(GFMT)
	unsigned char exp;
#endif
	int pos;
#ifdef GFMT
	int p, last;
#endif

	dp_sign((bits & 0x80000000UL) != 0);
	if ((bits & 0x7F800000UL) == 0x7F800000UL) {
#ifdef UPCASE
		if (!(conv & 0x20))
			dp_text((bits & 0x7FFFFF) ? "NAN" : "INF", 3);
		else
#endif
			dp_text((bits & 0x7FFFFF) ? "nan" : "inf", 3);
		return;
	}
	if (prec < 0)
		prec = 6;
#ifdef GFMT
	/* Style e when the exponent is below -4 or not below the precision P,
	 * else style f; either with P significant digits. */
	if (style == 'g') {
		p = prec ? prec : 1;
		__ftoa(&digits, bits, p, 0);
		if (digits.exp < -4 || digits.exp >= p) {
			style = 'e';
			prec = p - 1;
		} else {
			style = 'f';
			prec = p - 1 - digits.exp;
		}
		if (!DP_IS_ALT) {
			/* Trailing zeros go, and so does a point with nothing after it. */
			last = 0;
			for (pos = 1; pos <= p; pos++)
				if (__ftoa_digit(&digits))
					last = pos;
			prec -= p - last;
			if (prec < 0)
				prec = 0;
		}
		__ftoa(&digits, bits, p, 0);
	} else
#endif
		__ftoa(&digits, bits, style == 'e' ? prec + 1 : prec, style == 'f');
	point = prec > 0 || DP_IS_ALT;
#if defined(EFMT) || defined(GFMT)
	if (style == 'e') {
		dp_begin(prec + point + 5);
		dp_digit(&digits);
		if (point)
			dp_put('.');
		for (pos = prec; pos > 0; pos--)
			dp_digit(&digits);
#ifdef UPCASE
		dp_put(conv & 0x20 ? 'e' : 'E');
#else
		dp_put('e');
#endif
		/* Floats lie within 1e-38 and 1e39: two exponent digits. */
		pos = digits.exp;
		if (pos < 0) {
			dp_put('-');
			pos = -pos;
		} else {
			dp_put('+');
		}
		exp = (unsigned char)pos;
		for (point = '0'; exp >= 10; exp -= 10)
			point++;
		dp_put(point);
		dp_put('0' + exp);
	}
#endif
#if defined(FFMT) || defined(GFMT)
	if (style == 'f') {
		pos = digits.exp > 0 ? digits.exp : 0;
		dp_begin(pos + 1 + point + prec);
		for (; pos >= -prec; pos--) {
			if (pos > digits.exp)
				dp_put('0');
			else
				dp_digit(&digits);
			if (pos == 0 && point)
				dp_put('.');
		}
	}
#endif
	dp_end();
}
#endif

/* The formatting loop. The characters a conversion may hold are read only
 * when their feature is in; anything else ends the conversion and is
 * written as it stands. */
static int dp_format(const char *f, va_list ap)
{
	char c;
	int prec;
	unsigned char size;
#ifdef _DP_INT
	dp_number v;
#endif
#ifdef _DP_UNSIGNED
	unsigned char base;
#endif
#ifdef CHAR
	char one;
#endif
#ifdef STRING
	const char *s;
	int n;
#endif

	dp_count = 0;
	while ((c = *f++) != 0) {
		if (c != '%') {
			dp_put(c);
			continue;
		}
#ifdef _DP_FLAGS
		dp_flags = 0;
#endif
		dp_prefix[0] = 0;
#ifdef _DP_PAD
		dp_width = 0;
#endif
		for (;; f++) {
			c = *f;
#ifdef LEFT
			if (c == '-') {
				dp_flags |= DP_LEFT;
				continue;
			}
#endif
#ifdef MANSIGN
			if (c == '+') {
				dp_flags |= DP_PLUS;
				continue;
			}
#endif
#ifdef SPCSIGN
			if (c == ' ') {
				dp_flags |= DP_SPACE;
				continue;
			}
#endif
#ifdef ALTERN
			if (c == '#') {
				dp_flags |= DP_ALT;
				continue;
			}
#endif
#ifdef FILL
			if (c == '0') {
				dp_flags |= DP_ZERO;
				continue;
			}
#endif
			break;
		}
#ifdef STAR
		if (c == '*') {
			dp_width = va_arg(ap, int);
			if (dp_width < 0) {
				dp_flags |= DP_LEFT;
				dp_width = -dp_width;
			}
			c = *++f;
		}
#endif
#ifdef WIDTH
		for (; (unsigned char)(c - '0') <= 9; c = *++f)
			dp_width = dp_width * 10 + (c - '0');
#endif
		/* A point alone is a precision of 0. */
		prec = -1;
		if (c == '.') {
			prec = 0;
			c = *++f;
#ifdef STAR
			if (c == '*') {
				prec = va_arg(ap, int);
				if (prec < 0)
					prec = -1;
				c = *++f;
			}
#endif
#ifdef PRECISION
			for (; (unsigned char)(c - '0') <= 9; c = *++f)
				prec = prec * 10 + (c - '0');
#endif
		}
		/* h is int's own size; hh (or b) a char's, l a long's. */
		size = 0;
		for (; c == 'h' || c == 'b'; c = *++f)
			size += c == 'h' ? 1 : 2;
#ifdef LONG
		for (; c == 'l'; c = *++f)
			size = 'l';
#endif
		if (c == 0)
			break;
		f++;
		switch (c) {
#ifdef PERCPERC
		case '%':
			dp_put('%');
			break;
#endif
#ifdef CHAR
		case 'c':
			one = (char)va_arg(ap, int);
			dp_text(&one, 1);
			break;
#endif
#ifdef STRING
		case 's':
			s = va_arg(ap, const char *);
			for (n = 0; (prec < 0 || n < prec) && s[n]; n++)
				;
			dp_text(s, n);
			break;
#endif
#ifdef COUNT
		case 'n':
#ifdef LONG
			if (size == 'l')
				*va_arg(ap, long *) = dp_count;
			else
#endif
				*va_arg(ap, int *) = dp_count;
			break;
#endif
#ifdef POINTER
		case 'p':
			dp_pointer(va_arg(ap, void *));
			break;
#endif
#ifdef _DP_INT
#ifdef TEN
		case 'd':
		case 'i':
#ifdef LONG
			if (size == 'l') {
				long l = va_arg(ap, long);

				dp_sign(l < 0);
				v = l < 0 ? -(unsigned long)l : (unsigned long)l;
			} else
#endif
			{
				int i = va_arg(ap, int);

				if (size >= 2)
					i = (signed char)i;
				dp_sign(i < 0);
				v = (unsigned int)(i < 0 ? 0 - (unsigned int)i : (unsigned int)i);
			}
			dp_integer(v, 10, prec, 'a');
			break;
#endif
#ifdef UNSIGN
		case 'u':
#endif
#ifdef EIGHT
		case 'o':
#endif
#ifdef HEXLOWCASE
		case 'x':
#endif
#ifdef HEXUPCASE
		case 'X':
#endif
#ifdef _DP_UNSIGNED
#ifdef LONG
			if (size == 'l') {
				v = va_arg(ap, unsigned long);
			} else
#endif
			{
				v = va_arg(ap, unsigned int);
				if (size >= 2)
					v = (unsigned char)v;
			}
			base = c == 'u' ? 10 : c == 'o' ? 8 : 16;
#ifdef ALTERN
			if ((dp_flags & DP_ALT) && base == 16 && v != 0) {
				dp_prefix[0] = '0';
				dp_prefix[1] = c;
				dp_prefix[2] = 0;
			}
#endif
			dp_integer(v, base, prec, c == 'X' ? 'A' : 'a');
			break;
#endif
#endif
#ifdef _DP_FLOAT
#ifdef EFMT
		case 'e':
#ifdef UPCASE
		case 'E':
#endif
#endif
#ifdef FFMT
		case 'f':
#endif
#ifdef GFMT
		case 'g':
#ifdef UPCASE
		case 'G':
#endif
#endif
			dp_float((unsigned long)va_arg(ap, DP_DOUBLE) << DP_DOUBLE_SHIFT, c, prec);
			break;
#endif
		default:
			dp_put(c);
			break;
		}
	}
	return dp_count;
}

#ifdef PRINTF
int printf(const char *format, ...)
{
	va_list ap;
	int n;

	va_start(ap, format);
#ifdef _DP_STRING
	dp_string = NULL;
#endif
	n = dp_format(format, ap);
	va_end(ap);
	return n;
}
#endif

#ifdef VPRINTF
int vprintf(const char *format, va_list ap)
{
#ifdef _DP_STRING
	dp_string = NULL;
#endif
	return dp_format(format, ap);
}
#endif

#ifdef SPRINTF
int sprintf(char *s, const char *format, ...)
{
	va_list ap;
	int n;

	va_start(ap, format);
	dp_string = s;
	n = dp_format(format, ap);
	*dp_string = 0;
	va_end(ap);
	return n;
}
#endif

#ifdef VSPRINTF
int vsprintf(char *s, const char *format, va_list ap)
{
	int n;

	dp_string = s;
	n = dp_format(format, ap);
	*dp_string = 0;
	return n;
}
#endif
