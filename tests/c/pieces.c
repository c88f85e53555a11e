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

void main(void)
{
	unsigned char wu8 = 0x31, i = 0, j;
	unsigned char b[2][3];
	int w[3][5];
	unsigned char volatile wv = 0x31;
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
	for (;;)
		continue;
}
