/* Products, quotients and remainders of bytes and words, signed and
   unsigned, through the hardware multiplier and the run-time routines,
   as values and in place, and of a byte parameter that lives in W. */
volatile unsigned int w[4];
volatile int s[4];
volatile unsigned char b[4];
volatile signed char c[2];
unsigned int a = 50000, d = 123;
int sa = -12345, sd = 77;
unsigned char ub = 200, ud = 7;
signed char sb = -100, sbd = 9;
volatile unsigned int p[2];
/* Whole products of unsigned bytes: one MULWF, 255 * 255 at the top. */
volatile unsigned int q[4];
unsigned char ff = 255, *pb = &ud;

/* The routine's literal argument must not be stored through W before x. */
unsigned int by300(unsigned char x) { return x * 300u; }
unsigned int by300plus(unsigned char x) { return 300u * x + x; }

void main(void)
{
	w[0] = a * d; w[1] = a / d; w[2] = a % d;
	s[0] = sa * sd; s[1] = sa / sd; s[2] = sa % sd;
	b[0] = ub * ud; b[1] = ub / ud; b[2] = ub % ud;
	c[0] = sb / sbd; c[1] = sb % sbd;
	p[0] = by300(ud); p[1] = by300plus(ud);
	a /= d; w[3] = a; sa %= sd; s[3] = sa; ub *= ud; b[3] = ub;
	q[0] = (unsigned int)ff * ff; q[1] = ub * ud; q[2] = (unsigned int)*pb * ff;
	q[3] = (unsigned int)(unsigned char)(ub + 1) * b[0];
	for (;;) continue;
}
