/* A logical operator compared with zero is its negation, and the
   negation turns over into the operands: numbers under a logical not,
   of every size, as values of their own. */
struct pair { long a, b; };
volatile long rl[4];
volatile int ri[4];
volatile unsigned char rc[4];

static void f(long p, int q, unsigned char c, struct pair s)
{
	long l = 5;
	rl[0] = ((l, 0x5C) && p) == 0;
	ri[0] = ((l, 1) && q) == 0;
	rc[0] = ((l, 1) && c) == 0;
	rl[1] = ((s, 0x5C) && (p & ((q == p) & -1))) == 0;
	ri[1] = (p || (l, q)) == 0;
	rc[1] = ((s, c) || q) == 0;
	ri[2] = ((l, p) && c) != 0;
	rl[2] = !((s, 7) && q);
}

void main(void)
{
	struct pair s = {1, 2};
	f(0x10000L, 0, 0, s);
	rl[3] = rl[0] | rl[1] << 1 | rl[2] << 2;
	ri[3] = ri[0] | ri[1] << 1 | ri[2] << 2;
	rc[3] = (unsigned char)(rc[0] | rc[1] << 1);
	f(0L, 3, 9, s);
	for (;;)
		continue;
}
