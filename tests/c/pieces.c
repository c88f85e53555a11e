/* Statements that fit the registers only in pieces: a value that would
   wait in a register across a call that uses it is worked out first. */
volatile unsigned char r[9];
volatile unsigned char rb[6];
volatile unsigned char vu8 = 3;
unsigned int gu16_1 = 0x1233;
unsigned char calls;

/* The AES multiply: products of bits and a byte beside calls that
   multiply as well. */
unsigned char xt(unsigned char x) { return (x << 1) ^ (((x >> 7) & 1) * 0x1b); }
unsigned char mul(unsigned char x, unsigned char y)
{
	return ((y & 1) * x) ^ ((y >> 1 & 1) * xt(x)) ^ ((y >> 2 & 1) * xt(xt(x))) ^ ((y >> 3 & 1) * xt(xt(xt(x))));
}

unsigned char f(void) { return ++calls % 3; }

/* Fitted only once the multiply routine's registers are known: the
   temporaries the pieces take are placed with the rest of the frame. */
volatile unsigned char rw[6];
int big[160];
unsigned char k = 150, m = 70;

void scaled(void)
{
	unsigned char b[2][3];
	unsigned char i = 0;
	b[0][1] = 0;
	b[i++ & 1][f()] = 3;
	rw[0] = b[0][1] + i;
	big[k] = 0x1234;
	big[m] = 0x5678;
	rw[1] = big[150];
	rw[2] = big[150] >> 8;
	rw[3] = big[70];
	rw[4] = big[k] >> 8;
	rw[5] = big[m] + big[k];
}

/* Statements whose search runs out of candidates before it finds a fit:
   a float converted for a byte of a shift count, a remainder beside an
   element read through a volatile index, a compare of a long element in
   a byte sum. A call inside goes first, or the node the search gave up
   at. */
volatile unsigned char rs[4];
int w16 = 5;
volatile float vf = 3.0;
float gf = 5.0;
int gb[4] = {1000, -7, 300, 22};
long gl = 5;
long gla[4] = {1, 9, 3, 4};
unsigned long gul = 2;
/* A byte's value as signed char, spelled without an implementation-defined conversion. */
#define S16(x) ((x) & 0x8000u ? (int)(-(int)(~(x) & 0x7FFFu) - 1) : (int)((x) & 0x7FFFu))
#define SIGNED8(x) ((x) & 0x80 ? (signed char)(-(signed char)(~(x) & 0x7F) - 1) : (signed char)((x) & 0x7F))
int remainder(volatile int a)
{
	unsigned char j;
	for (j = 0; j < 2; j++)
		a = (int)((unsigned)(gb[0] % (int)(((unsigned)gb[vu8 & 3] & 0x3FFF) | 1)) + 1u);
	return a;
}

void main(void)
{
	unsigned char wu8 = 0x31, i = 0, j;
	unsigned char b[2][3];
	int w[3][5];
	unsigned char volatile wv = 0x31;
	signed char volatile ws = -2;
	scaled();
	r[0] = mul(0x57, 0x13);
	r[1] = mul(0xae, 0x0f);
	r[2] = mul(r[0], 0x0b);
	/* The difference waits while the remainder routine runs. */
	r[3] = (unsigned char)(2 % vu8) == (unsigned char)(gu16_1 - wu8);
	r[4] = (unsigned char)(200 % vu8) + (unsigned char)(gu16_1 - wu8);
	r[5] = (unsigned char)(gu16_1 * vu8) == (unsigned char)(7 / vu8 + 1);
	r[8] = (unsigned char)(2 % vu8) == (unsigned char)(gu16_1 - wv);
	/* Rows of a constant size, indexed by a step and a call. */
	for (j = 0; j < 6; j++)
		b[j / 3][j % 3] = 0;
	b[i++ & 1][f()] = 3;
	b[i++ & 1][f()] = 4;
	b[i & 1][f()] += 5;
	for (j = 0; j < 6; j++)
		rb[j] = b[j / 3][j % 3];
	for (j = 0; j < 15; j++)
		w[j / 5][j % 5] = j;
	calls = 0;
	w[i++ % 3][f() + 2] = -300;
	r[6] = w[1][3] + w[2][2];
	r[7] = (unsigned char)w[0][3] + i;
	rs[0] = (unsigned char)(200u >> ((unsigned char)((unsigned char)(int)vf * (unsigned char)((int)gf & 0x7F)) & 7));
	rs[1] = (unsigned char)remainder(9);
	rs[2] = (unsigned char)SIGNED8((unsigned char)((signed char)(gl <= gla[(unsigned char)gul & 3]) + ws));
	/* Every operand fails late: a search without a bound would backtrack
	   for hours. */
	w16 = S16((unsigned)((unsigned)(int)((int)100 % (int)(((unsigned)gb[((unsigned char)w16 & 3)] & 0x3FFF) | 1)) << 8));
	rs[3] = (unsigned char)(w16 >> 8);
	for (;;)
		continue;
}
