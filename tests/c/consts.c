/* const objects outside program memory: parameters, autos and members of
   objects that are not const live in RAM and are read there, directly,
   through pointers and by a computed index; const objects of static
   storage duration are read from program memory, also through a pointer
   that reaches both. */
struct pair { int f0; int f1; };
struct holder { int x; const struct pair m; };
struct big { long a; int b; char c[3]; };
struct mixed { const int a; int b; };
struct flags { const unsigned a : 3; unsigned b : 5; };
struct holder held[3] = {{1, {2, 3}}, {4, {5, 6}}, {7, {8, 9}}};
struct mixed mx = {11, 12};
struct flags fl = {5, 17};
const struct pair rp[3] = {{21, 22}, {23, 24}, {25, 26}};
const volatile int cv = 321;
volatile int ri[24];
volatile long rl[3];
volatile unsigned char rb[8];
volatile unsigned char pick = 2, one = 1;

int inc(const int a) { return a + 1; }
unsigned char is7(const unsigned char value) { return value == 7 ? 1 : 2; }
signed char neg(const signed char c) { return -c; }
long twice(const long v) { return v + v; }
int thrice(volatile const int v) { return v * 3; }
int half(const float x) { return (int)(x / 2); }
int second(const struct pair p) { return p.f1 - p.f0; }
long bigsum(const struct big b) { return b.a + b.b + b.c[2]; }
int deref(const int *p) { return *p; }
long derefl(const long *p) { return *p; }
int member_of(unsigned char i) { return held[i].m.f1; }
int through(const struct pair *q) { return q->f0 * 10 + q->f1; }
unsigned char field(const struct flags *f) { return f->a + f->b; }
unsigned char fieldv(const struct flags v) { return v.a * v.b; }

int param_address(const int a, const struct pair p)
{
	const int *q = &a;
	const struct pair *r = &p;
	return *q + r->f1;
}

int auto_address(void)
{
	const int *p;
	const int i = 5;
	p = &i;
	return *p;
}

void main(void)
{
	unsigned char k;
	ri[0] = inc(41);
	rb[0] = is7(7);
	rb[1] = is7(8);
	rb[2] = neg(5);
	rl[0] = twice(0x12345L);
	ri[1] = thrice(4);
	ri[2] = half(9.0);
	{
		struct pair p = {3, 10};
		struct big b = {70000L, 5, {4, 5, 6}};
		ri[3] = second(p);
		rl[1] = bigsum(b);
	}
	{
		int x = 1234;
		const int cx = 4321;
		long y = 0x1020304L;
		ri[4] = deref(&x);
		ri[5] = deref(&cx);
		rl[2] = derefl(&y);
	}
	ri[6] = auto_address();
	{
		struct pair p = {30, 40};
		ri[18] = param_address(500, p);
	}
	k = pick;
	ri[7] = held[k].m.f1;
	ri[8] = rp[k].f1;
	ri[9] = through(&rp[k]);
	k = one;
	ri[10] = held[k].m.f0;
	ri[11] = rp[k].f0 + held[k].x;
	ri[12] = member_of(pick);
	{
		const struct pair *q;
		k = pick;
		q = &held[k].m;
		ri[13] = through(q);
	}
	ri[14] = mx.a + mx.b;
	{
		const int *q = &mx.a;
		ri[15] = *q;
	}
	ri[16] = cv;
	ri[17] = "hello"[k];
	{
		volatile const unsigned char vc = 9;
		rb[3] = vc + 1;
	}
	rb[4] = fl.a;
	rb[5] = field(&fl);
	rb[6] = fieldv(fl);
	for (;;)
		continue;
}
