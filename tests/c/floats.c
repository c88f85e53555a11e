/* Floating point: arithmetic over a table of edge values (both zeros, a
 * denormal, which reads as a zero, the smallest and largest numbers,
 * infinities, a NaN, halfway cases) and pseudo-random values, compares,
 * conversions to and from integers and between float and double, constants,
 * arrays, pointers, arguments and results, and printf's %f, %e and %g.
 * Results are bit images, three bytes for a float and four for a double (a
 * 24-bit double as its 32-bit image). The host works out each result
 * exactly and rounds it as the target does: to the nearest, ties to even,
 * no denormals, one quiet NaN. Built twice: double of 24 bits, and of 32
 * (--double=32, DOUBLE32 on the host). */
#ifdef __TOVRA18__
#include <stdio.h>
typedef double dbl;
#define ADD(a, b, frac) ((a) + (b))
#define SUB(a, b, frac) ((a) - (b))
#define MUL(a, b, frac) ((a) * (b))
#define DIV(a, b, frac) ((a) / (b))
#define VAL(a) (a)
#define ROUND(x, frac) (x)
#define TOF(x) ((float)(x))
#define TOD(x) ((dbl)(x))
#else
/* The host's float holds the images of both formats: a 24-bit one in its
 * top three bytes. */
typedef float dbl;
typedef __builtin_va_list host_va_list;
extern int vsnprintf(char *, __typeof__(sizeof 0), const char *, host_va_list);
void putch(char c);

static int host_printf(const char *format, ...)
{
	char text[100];
	host_va_list ap;
	int i;

	__builtin_va_start(ap, format);
	vsnprintf(text, sizeof text, format, ap);
	__builtin_va_end(ap);
	for (i = 0; text[i]; i++)
		putch(text[i]);
	return i;
}
#define printf host_printf

/* An exponent field of 0 reads as a zero of its sign. */
static double host_value(float f)
{
	unsigned char *p = (unsigned char *)&f;

	if ((p[3] & 0x7F) == 0 && (p[2] & 0x80) == 0)
		return (p[3] & 0x80) ? -0.0 : 0.0;
	return f;
}

/* x rounded to frac fraction bits as the target rounds. */
static float host_round(double x, int frac)
{
	double a = x < 0 ? -x : x, scale = 1, low = frac == 15 ? 32768.0 : 8388608.0;
	double big = 4503599627370496.0, huge = 1e300;
	float r;
	unsigned char *p = (unsigned char *)&r;

	if (x != x) {
		p[0] = 0;
		p[1] = 0;
		p[2] = 0xC0;
		p[3] = 0x7F;
		return r;
	}
	if (a != 0 && a < huge) {
		while (a * scale >= 2 * low)
			scale /= 2;
		while (a * scale < low)
			scale *= 2;
		a = ((a * scale + big) - big) / scale;
		if (a < 1.1754943508222875e-38)
			a = 0;
		if (a >= 3.4028236692093846e+38)
			a = huge * huge;
	}
	return (float)(x < 0 ? -a : a);
}
#define ADD(a, b, frac) host_round(host_value(a) + host_value(b), frac)
#define SUB(a, b, frac) host_round(host_value(a) - host_value(b), frac)
#define MUL(a, b, frac) host_round(host_value(a) * host_value(b), frac)
#define DIV(a, b, frac) host_round(host_value(a) / host_value(b), frac)
#define VAL(a) host_value(a)
#define ROUND(x, frac) host_round(x, frac)
#define TOF(x) host_round((double)(x), 15)
#define TOD(x) host_round((double)(x), DFRAC)
#endif

#ifdef __TOVRA18__
#if sizeof(double) == 4
#define DOUBLE32
#endif
#endif
#ifdef DOUBLE32
#define DFRAC 23
#else
#define DFRAC 15
#endif

/* 32-bit images; the 24-bit format takes their top three bytes. */
const unsigned long edges[] = {
	0x00000000UL, 0x80000000UL, /* zeros */
	0x00000100UL,               /* a denormal: a zero */
	0x00800000UL, 0x7F7FFF00UL, 0xFF7FFF00UL, /* smallest, largest */
	0x3F800000UL, 0x3F800100UL, 0x37800000UL, /* 1, 1 + ulp, half an ulp of 1 */
	0x40400000UL, 0xBFC00000UL, 0x3EAAAB00UL, /* 3, -1.5, 1/3 */
	0x7F800000UL, 0xFF800000UL, 0x7FC00000UL, /* infinities, a NaN */
	0x1F800000UL, 0x5F800000UL,               /* products beyond the range */
};
#define EDGES (sizeof edges / sizeof edges[0])

volatile unsigned int hash[12];    /* + - * / and compares: float, then double */
volatile unsigned char fr[102];    /* named float results */
volatile unsigned char dr[24];     /* named double results */
volatile unsigned char cmp[6];     /* compares of named values */
volatile long ints[10];            /* floats to integers */
volatile unsigned char small[4];
volatile char out[120];            /* printf's output */
volatile unsigned char vuc = 200;
volatile signed char vsc = -100;
volatile unsigned int vui = 50000u;
volatile int vi = -12345;
volatile unsigned long vul = 3000000001UL;
volatile long vl = -123456789L;
volatile float vf[6] = {-123.75, 2999975936.0, -2.5, 200.5, -100.875, 60000.0};
unsigned char nfr, ndr, nout;

void putch(char c)
{
	if (nout < sizeof out)
		out[nout++] = c;
}

/* The float whose 32-bit image is v. */
static float float_of(unsigned long v)
{
	float f;
	unsigned char *p = (unsigned char *)&f, k;

#ifndef __TOVRA18__
	v &= 0xFFFFFF00UL;
#endif
	for (k = 0; k < sizeof(float); k++)
		p[k] = (unsigned char)(v >> (8 * (k + 4 - sizeof(float))));
	return f;
}

static dbl double_of(unsigned long v)
{
	dbl d;
	unsigned char *p = (unsigned char *)&d, k;

#if !defined(__TOVRA18__) && !defined(DOUBLE32)
	v &= 0xFFFFFF00UL;
#endif
	for (k = 0; k < sizeof(dbl); k++)
		p[k] = (unsigned char)(v >> (8 * (k + 4 - sizeof(dbl))));
	return d;
}

static unsigned int mix(unsigned int h, const unsigned char *p, unsigned char n)
{
	while (n--)
		h = (h << 5) + h + *p++;
	return h;
}

/* which comes last: a first byte parameter arrives in W, which the code
 * generator does not yet keep for a statement that calls a function. */
static void hash_float(float f, unsigned char which)
{
	hash[which] = mix(hash[which], (unsigned char *)&f + sizeof(float) - 3, 3);
}

static void hash_double(dbl d, unsigned char which)
{
	hash[which] = mix(hash[which], (unsigned char *)&d + sizeof(dbl) - (DFRAC + 9) / 8, (DFRAC + 9) / 8);
}

static void put_float(float f)
{
	unsigned char *p = (unsigned char *)&f + sizeof(float) - 3;

	fr[nfr++] = p[0];
	fr[nfr++] = p[1];
	fr[nfr++] = p[2];
}

static void put_double(dbl d)
{
	unsigned char *p = (unsigned char *)&d, k;

	if (sizeof(dbl) == 3)
		dr[ndr++] = 0;
	for (k = 0; k < sizeof(dbl); k++)
		dr[ndr++] = p[k];
}

/* The six compares of a and b, one bit each. */
static unsigned char order_float(float a, float b)
{
	unsigned char c = 0;

	if (VAL(a) < VAL(b))
		c |= 1;
	if (VAL(a) <= VAL(b))
		c |= 2;
	if (VAL(a) == VAL(b))
		c |= 4;
	if (VAL(a) != VAL(b))
		c |= 8;
	if (VAL(a) > VAL(b))
		c |= 16;
	if (VAL(a) >= VAL(b))
		c |= 32;
	return c;
}

static unsigned char order_double(dbl a, dbl b)
{
	unsigned char c = 0;

	if (VAL(a) < VAL(b))
		c |= 1;
	if (VAL(a) <= VAL(b))
		c |= 2;
	if (VAL(a) == VAL(b))
		c |= 4;
	if (VAL(a) != VAL(b))
		c |= 8;
	if (VAL(a) > VAL(b))
		c |= 16;
	if (VAL(a) >= VAL(b))
		c |= 32;
	return c;
}

/* Every pair of the table, then pairs of pseudo-random values. */
static void arithmetic(void)
{
	unsigned char i, j, k, c;
	unsigned long seed = 12345;
	float a, b;
	dbl x, y;

	for (i = 0; i < EDGES; i++)
		for (j = 0; j < EDGES; j++) {
			a = float_of(edges[i]);
			b = float_of(edges[j]);
			hash_float(ADD(a, b, 15), 0);
			hash_float(SUB(a, b, 15), 1);
			hash_float(MUL(a, b, 15), 2);
			hash_float(DIV(a, b, 15), 3);
			c = order_float(a, b);
			hash[4] = mix(hash[4], &c, 1);
			x = double_of(edges[i]);
			y = double_of(edges[j]);
			hash_double(ADD(x, y, DFRAC), 6);
			hash_double(SUB(x, y, DFRAC), 7);
			hash_double(MUL(x, y, DFRAC), 8);
			hash_double(DIV(x, y, DFRAC), 9);
			c = order_double(x, y);
			hash[10] = mix(hash[10], &c, 1);
		}
	for (k = 0; k < 24; k++) {
		seed = seed * 1103515245UL + 12345UL;
		a = float_of((seed & 0x807FFFFFUL) | (unsigned long)(112 + (unsigned char)(seed >> 16) % 32) << 23);
		x = double_of((seed & 0x807FFFFFUL) | (unsigned long)(112 + (unsigned char)(seed >> 16) % 32) << 23);
		seed = seed * 1103515245UL + 12345UL;
		b = float_of((seed & 0x807FFFFFUL) | (unsigned long)(112 + (unsigned char)(seed >> 16) % 32) << 23);
		y = double_of((seed & 0x807FFFFFUL) | (unsigned long)(112 + (unsigned char)(seed >> 16) % 32) << 23);
		hash_float(ADD(a, b, 15), 5);
		hash_float(SUB(a, b, 15), 5);
		hash_float(MUL(a, b, 15), 5);
		hash_float(DIV(a, b, 15), 5);
		hash_double(ADD(x, y, DFRAC), 11);
		hash_double(SUB(x, y, DFRAC), 11);
		hash_double(MUL(x, y, DFRAC), 11);
		hash_double(DIV(x, y, DFRAC), 11);
	}
}

#ifdef __TOVRA18__
#define FC(x) x##f
#else
#define FC(x) host_round(x, 15)
#endif

float table[4] = {1.5, -2.25, 1e10, 0.0};
float nzero = -0.0;

static float scaled(float v, unsigned char k)
{
	return MUL(v, TOF(k), 15);
}

static void quadruple(float *p)
{
	*p = MUL(*p, FC(4.0), 15);
}

/* Constants, conversions, negation, the assignment operators, steps,
 * arrays and pointers, arguments and results, conditions. */
static void named(void)
{
	float f, g, *p;
	dbl d;
	unsigned char i;

	put_float(FC(0.1));
	put_float(nzero);
	put_float(FC(1e-38));
	put_float(FC(3.0e38));
	put_float(FC(1.0000152587890625)); /* halfway: to the even 1.0 */
	put_float(FC(1.0000457763671875)); /* halfway: up, to even */
	put_float(TOF(vuc));
	put_float(TOF(vsc));
	put_float(TOF(vui));
	put_float(TOF(vi));
	put_float(TOF(vul));
	put_float(TOF(vl));
	f = FC(1.5);
	put_float(-f);
	f = nzero;
	put_float(-f);
	g = float_of(0x7FC00000UL);
	put_float(-g);

	f = FC(2.5);
	g = FC(0.75);
#ifdef __TOVRA18__
	f += g;
	put_float(f);
	f -= FC(4.0);
	put_float(f);
	f *= g;
	put_float(f);
	f /= FC(3.0);
	put_float(f);
#else
	f = ADD(f, g, 15);
	put_float(f);
	f = SUB(f, FC(4.0), 15);
	put_float(f);
	f = MUL(f, g, 15);
	put_float(f);
	f = DIV(f, FC(3.0), 15);
	put_float(f);
#endif
	f = FC(7.5);
	f++;
	put_float(f);
	g = f--;
	put_float(g);
	put_float(f);

	f = 0;
	for (i = 0; i < 4; i++)
		f = ADD(f, table[i], 15);
	put_float(f);
	p = table + 1;
	*p = MUL(*p, FC(-4.0), 15);
	put_float(table[1]);
	quadruple(&table[2]);
	put_float(table[2]);
	put_float(scaled(table[0], 3));

	small[0] = nzero ? 1 : 2;
	small[1] = !VAL(float_of(0x00000100UL));
	small[2] = float_of(0x7FC00000UL) ? 3 : 4;
	f = FC(0.5);
	small[3] = f && table[3] ? 5 : 6;

	ints[0] = (long)VAL(vf[0]);
	ints[1] = (long)(unsigned long)VAL(vf[1]);
	ints[2] = (int)VAL(vf[2]);
	ints[3] = (unsigned char)VAL(vf[3]);
	ints[4] = (signed char)VAL(vf[4]);
	ints[5] = (unsigned int)VAL(vf[5]);
	f = FC(70000.0);
	ints[6] = (long)f;
	d = double_of(0x4A3C614EUL);
	ints[7] = (long)d;
	ints[8] = (long)VAL(d);

	cmp[0] = order_float(FC(1.5), nzero);
	cmp[1] = order_float(nzero, FC(0.0));
	cmp[2] = order_float(float_of(0x7FC00000UL), FC(1.0));
	cmp[3] = order_double(double_of(0x3F800001UL), double_of(0x3F800000UL));
	cmp[4] = order_float(FC(-2.0), FC(-3.0));
	cmp[5] = order_double(double_of(0xFF800000UL), double_of(0xFF7FFF00UL));

	/* float and double: widening is exact, narrowing rounds the dropped byte */
	put_double(FC(1.5));
	put_double(FC(-1e-30));
	put_double(float_of(0x7F800000UL));
	for (i = 0; i < 8; i++) {
		static const unsigned long wide[8] = {
			0x3F8000C0UL, 0x3F800080UL, 0x3F800180UL, 0x7F7FFFC0UL,
			0x80000001UL, 0x7F800001UL, 0xBF7FFF7FUL, 0x4049F00FUL,
		};
		d = double_of(wide[i]);
		put_float(ROUND(VAL(d), 15));
	}
	d = double_of(0x40490FDBUL);
	put_double(-d);
	put_double(TOD(vl));
	put_double(TOD(vul));
}

void main(void)
{
	float v[4];
	unsigned char i;

	arithmetic();
	named();
	v[0] = FC(3.14159);
	v[1] = FC(-0.000123);
	v[2] = FC(1e10);
	v[3] = float_of(0xFF800000UL);
	for (i = 0; i < 4; i++)
		printf("%f %e %g|", v[i], v[i], v[i]);
	printf("%.3f %10.2e %G", FC(0.1), FC(65504.0), FC(1e-5));
	for (;;)
		continue;
}
