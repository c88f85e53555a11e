/* Steps of every size as conditions: n-- and --n, n++ and ++n, signed and
   unsigned, in while, if, for, ?:, && and ||, and as a call argument; the
   long ones are worked in place and their value copied out. */
volatile unsigned char r[16];
volatile unsigned long gv[2];
unsigned long gu = 2;
long gs = -1;

unsigned char next(unsigned char x) { return x + 1; }
unsigned char low(unsigned long x) { return (unsigned char)x; }

void main(void)
{
	unsigned long n = 3;
	long s = 2;
	unsigned int w = 2;
	signed char c = 2;
	unsigned char b = 2;
	while (n--)
		r[0]++;
	n = 2;
	if (--n)
		r[1] += 10;
	if (--n)
		r[1] += 20;
	for (s = 3; s--;)
		r[2]++;
	r[3] = gu++ ? 5 : 6;
	r[4] = (++gs && gu--) ? 7 : 8;
	r[5] = (gs-- || gu++) ? 9 : 10;
	r[6] = next(gu-- != 0);
	n = 0;
	while (++n != 5)
		r[7]++;
	s = -3;
	while (s++)
		r[8]++;
	while (w--)
		r[9]++;
	while (c--)
		r[10]++;
	while (b--)
		r[11]++;
	r[12] = low(gu++) + low(--n);
	r[13] = (unsigned char)gs;
	r[14] = (unsigned char)n;
	r[15] = (unsigned char)gu;
	gv[0] = n;
	gv[1] = s;
	for (;;)
		continue;
}
