/* Longs: sums, differences, logic, shifts by constants and by counts,
   widening of bytes and words by their signedness (not the result's),
   compares, truth values, narrowing, negation, calls that take and
   return longs, in place, also through pointers. */
volatile unsigned long r[12];
volatile long s[6];
volatile unsigned char b[4];
volatile unsigned int w[2];
volatile long m[4];
volatile unsigned long p[4];
unsigned long pa[3] = {1, 0x80000000UL, 0xFFFFFFFFUL};
unsigned long a = 3000000000UL, c = 123456UL;
long sa = -2000000L, sc = 77777L;
unsigned char n = 9;
unsigned int wi = 54321;
signed char sb = -5;
unsigned char ub = 200;
int sw = -2;

unsigned long addl(unsigned long x, unsigned long y) { return x + y; }

void main(void)
{
	r[0] = a + c; r[1] = a - c; r[2] = a & c; r[3] = a | c; r[4] = a ^ c;
	r[5] = a << 3; r[6] = a >> 11; r[7] = a << n; r[8] = wi; r[9] = addl(a, 5);
	r[10] = ~a; r[11] = -c;
	s[0] = sa >> 4; s[1] = sa + sc; s[2] = sb; s[3] = sa >> n;
	b[0] = a == c; b[1] = a > c; b[2] = sa < sc; b[3] = (unsigned char)a;
	w[0] = (unsigned int)(a >> 8);
	a += c; c <<= 2; s[4] = sa - 1; sa++; s[5] = sa;
	w[1] = a != 0;
	m[0] = ub; m[1] = (unsigned long)sb; m[2] = wi; m[3] = (unsigned long)sw;
	{
		unsigned long *pu = &c;
		long *ps = &sa;
		*pu -= 1; *pu ^= a; *ps |= sc; *ps &= 0x7FFFFF00L;
		pa[n & 1] += a; pa[2] -= 0x10000UL;
		p[0] = c; p[1] = sa; p[2] = pa[1]; p[3] = pa[2];
	}
	for (;;) continue;
}
