/* Calls through pointers to functions whose values take three or four
   bytes (float, long), with arguments and without, the values stored,
   converted and combined; calls through a pointer assigned where it is
   called. */
typedef unsigned char u8;
typedef unsigned long u32;
volatile u32 rl[8];
volatile unsigned int rw[4];
volatile u8 rb[4];

long diff(long a, long b) { return a - b; }
long five(void) { return 5L; }
long sum2(u8 a, u8 b) { return (long)a + b + 0x10000L; }
float half(float a, float b) { return (a - b) / 2; }
float quarter(void) { return -0.25; }

long (*pl2)(long, long) = diff;
long (*pl0)(void) = five;
long (*plb)(u8, u8) = sum2;
float (*pf2)(float, float) = half;
float (*pf0)(void) = quarter;
long y = 70000L;
int twice(int a) { return 2 * a; }
int plus7(int a) { return a + 7; }
int (*pi)(int) = twice;
int (*pi2)(int) = plus7;
int (*volatile vpi)(int) = twice;
int (*tpi[2])(int) = {twice, twice};
long (*volatile vpl)(long, long) = diff;
float x = 3.5;

void main(void)
{
	rl[0] = pl2(y, 2);
	rl[1] = pl0() + pl2(1, y);
	rl[2] = plb(1, 2);
	rb[0] = (u8)plb(3, 4);
	rl[3] = (long)(pf2(x, 1.5) * 4);
	rl[4] = (long)(pf0() * 8);
	rl[5] = (long)(pf2(2.0, x) * 100) + pl0();
	rb[1] = pf0() < 0;
	(pi = pi2)(1);
	rw[0] = pi(3);
	rw[1] = (vpi = pi2)(4) + vpi(5);
	rw[2] = (tpi[1] = pi2)(6) + tpi[1](1);
	rw[3] = (pi = twice)(8);
	rl[6] = (vpl = pl2)(y, 1);
	rl[7] = vpl(1, 2);
	for (;;)
		;
}
