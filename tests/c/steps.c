/* Steps of every size, ++ and --, before and after, as the conditions of
   while, if, for, ?:, && and ||, and inside call arguments, on volatile
   and plain objects: the three-byte ones among them, whose old value is
   compared with a constant. */
#ifdef HOST
typedef long s24; /* 32 bits on the host: every value here wraps alike */
typedef unsigned long u24;
#else
typedef short long s24;
typedef unsigned short long u24;
#endif
volatile unsigned char out[8][36];
unsigned char k;
volatile int vr;

volatile unsigned char *row = out[0];

unsigned char f(unsigned char a) { return a + 1; }

#define CHECK(v) (row[k++] = (unsigned char)(v))

#define STEPS(x, y)                                                        \
	k = 0;                                                             \
	x = 3, n = 0;                                                      \
	while (x--)                                                        \
		n++;                                                       \
	CHECK(n), CHECK(x);                                                \
	x = 2, n = 0;                                                      \
	while (--x)                                                        \
		n++;                                                       \
	CHECK(n);                                                          \
	x = 1;                                                             \
	CHECK(x-- ? 1 : 2), CHECK(x-- ? 3 : 4), CHECK(x);                  \
	x = 1;                                                             \
	if (--x)                                                           \
		CHECK(5);                                                  \
	else                                                               \
		CHECK(6);                                                  \
	x = -2;                                                            \
	if (x++)                                                           \
		CHECK(7);                                                  \
	if (++x)                                                           \
		CHECK(8);                                                  \
	else                                                               \
		CHECK(9);                                                  \
	CHECK(x);                                                          \
	for (x = 2, n = 0; x--;)                                           \
		n++;                                                       \
	CHECK(n);                                                          \
	for (x = -3, n = 0; ++x;)                                          \
		n++;                                                       \
	CHECK(n);                                                          \
	x = 4, s = 0;                                                      \
	s += (x-- ? 1 : 0);                                                \
	s += (--x ? 2 : 0);                                                \
	s += (x++ ? 4 : 0);                                                \
	s += (++x ? 8 : 0);                                                \
	CHECK(s), CHECK(x);                                                \
	x = 1, vr = 0;                                                     \
	vr += (x-- ? 1 : 0);                                               \
	vr += (x++ ? 2 : 0);                                               \
	vr += (x-- != 0) << 2;                                             \
	CHECK(vr), CHECK(vr = x++ != 0), CHECK(x);                         \
	x = 1, y = 0;                                                      \
	CHECK(x-- && y++), CHECK(x-- || y--), CHECK(y), CHECK(x);          \
	x = 0, y = 1;                                                      \
	CHECK(++x && --y), CHECK(x++ || ++y), CHECK(y), CHECK(x);          \
	x = 1;                                                             \
	CHECK(f(x-- != 0)), CHECK(f(x--)), CHECK(f(++x)), CHECK(f(x++ ? 3 : 4)); \
	CHECK(x);                                                          \
	row += sizeof out[0]

#define TYPES(M) M(signed char, sc) M(unsigned char, uc) M(int, si) M(unsigned, ui) \
	M(s24, st) M(u24, ut) M(long, sl) M(unsigned long, ul)

/* A function for each type: all in one would not fit a code page. One
   half (globals or locals) a build: both would not fit the smaller chips. */
#ifndef LOCALS
#define ON(T, name)                        \
	volatile T v##name##x, v##name##y; \
	void on_##name(void) { unsigned char n, s; STEPS(v##name##x, v##name##y); }
#else
#define ON(T, name) \
	void on_##name(void) { unsigned char n, s; T x, y; STEPS(x, y); }
#endif
TYPES(ON)

#define CALL(T, name) on_##name();
void main(void)
{
	TYPES(CALL)
	for (;;)
		continue;
}
