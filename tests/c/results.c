/* Calls whose arguments are other calls' results: the inner callee's
   result waits in its own parameter area while the outer callee's is
   filled, so the two areas must not share bytes. Results of every size, in
   every argument place, through function pointers, nested, and a float
   routine's argument. */
volatile unsigned char ok[16];
volatile long lr;
float e;
int i;

unsigned char gb(unsigned char x) { return x + 1; }
int gw(int x) { return x * 0x101; }
long gl(int x) { return x * 0x10101L; }
float gf(int x) { return x * 1.5; }
unsigned long gu(unsigned char x) { return 0x80000000UL | x; }

int hb(int a, unsigned char b) { return a == 1 && b == 3; }
int hw(int a, int b) { return a == 1 && b == 0x202; }
int hl(int a, long b) { return a == 1 && b == 0x20202L; }
int hl2(long b, int a) { return a == 1 && b == 0x20202L; }
int hf(int a, float b) { return a == 1 && b == 3.0; }
int hll(long a, long b) { return a == 0x10101L && b == 0x20202L; }
long id(long x) { return x; }
long pass(int x) { return gl(x); }
int (*hp)(int, long);
int (*gp)(int);

/* A float routine that takes a call's result at once. */
void floats(void)
{
	e = 2.0;
	i = 2;
	e *= gf(i);
	ok[13] = e == 6.0;
}

void main(void)
{
	ok[0] = hb(1, gb(2));
	ok[1] = hw(1, gw(2));
	ok[2] = hl(1, gl(2));
	ok[3] = hl2(gl(2), 1);
	ok[4] = hf(1, gf(2));
	ok[5] = hll(gl(1), gl(2));
	ok[6] = hl(1, id(gl(2)));
	ok[7] = hl(1, pass(2));
	hp = hl;
	gp = gw;
	ok[8] = hp(1, gl(2));
	ok[9] = hw(1, gp(2));
	ok[10] = hl(gw(1) == 0x101, gl(2));
	ok[11] = hw(gb(1) == 2, gw(2));
	ok[12] = hb(1, gb(gb(1)));
	floats();
	lr = id(gu(5));
	ok[14] = lr == (long)0x80000005UL;
	ok[15] = hl(1, gl(1) + gl(1));
	for (;;)
		continue;
}
