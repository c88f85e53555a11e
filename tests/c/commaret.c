/* A return of a comma expression: what the last operand gives is the
   function's value, for values that return through memory. */
struct st {
	unsigned char a;
	int b;
	long c;
};
struct st s0 = {0x12, -1000, 70000L}, s1 = {0x34, 1234, -5L};
unsigned char n;
volatile int ri[3];
volatile long rl[2];

int member(void)
{
	struct st lo;
	lo = s0;
	return (lo = s1, lo.b);
}
int counted(void) { return (n++, n * 100); }
int nested(void) { return (n++, (n++, n + 1000)); }
long wide(void)
{
	struct st lo;
	return (lo = s0, lo.c);
}
long wide_count(void) { return (n += 2, 100000L * n); }

void main(void)
{
	ri[0] = member();
	ri[1] = counted();
	ri[2] = nested();
	rl[0] = wide();
	rl[1] = wide_count();
	for (;;)
		continue;
}
