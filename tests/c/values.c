/* Shapes whose values came out wrong once: casts of string elements,
   "~" of a truth value, truth values converted to floating types,
   initialisers past unnamed bit-fields, bit-fields stepped inside a
   comparison, prototypes of functions that return qualified pointers, and
   a volatile local that is only stored to (it needs its bytes all the same). */
struct gap { unsigned a : 4; unsigned : 4; unsigned b : 4; unsigned c : 4; };
struct lead { unsigned : 3; unsigned a : 5; unsigned b : 8; };
struct gap x = {2, 3, 4};
struct lead y = {7, 9};
struct gap xs[2] = {{1, 2, 3}, {4, 5, 6}};
struct { unsigned b0 : 1; unsigned b1 : 1; unsigned w : 3; unsigned v : 4; } steps = {1, 0, 1, 15};
volatile int rs[7];
volatile int ri[10];
volatile long rl[2];
volatile unsigned char rb[12];
volatile int rt[10];
volatile unsigned char one = 1;

/* Declared only: the qualifiers are the returned pointers'. */
int *const pointer_to_gi(void);
const char *const *name_list(void);
int uchar_of_string(void) { return (unsigned char)("\377"[0]); }
int schar_of_string(void) { return (signed char)("\377"[0]); }
int uchar_at(unsigned char k) { return (unsigned char)("\200\377"[k]); }

void main(void)
{
	int a, b;
	unsigned u;
	long l;
	volatile int stored_only;
	ri[0] = uchar_of_string();
	ri[1] = schar_of_string();
	ri[2] = uchar_at(one);
	a = 1;
	a = ~(a && 1);
	ri[3] = a;
	stored_only = a;
	a = one;
	b = 2;
	ri[4] = ~(a < b);
	ri[5] = -(a && b);
	ri[6] = ~!a;
	u = ~(a == 1);
	ri[7] = u;
	l = ~(a || 0);
	rl[0] = l;
	{
		float x = one * 1.5f, y = 1.5f, f;
		double d;
		rt[0] = (int)((float)(a < b) * 8);
		rt[1] = (int)((double)(x == y) * 8);
		rt[2] = (int)((float)!a * 8 + (float)!(a - 1) * 4);
		rt[3] = (int)((float)(a && b) * 8 + (float)(a && !b) * 4);
		rt[4] = (int)((double)(a || 0) * 8 + (double)(x < y) * 4);
		f = a != b;
		d = x >= y;
		rt[5] = (int)(f * 8 + d * 4);
		rt[6] = (float)(a > b) == 0.0f;
		rt[7] = (float)(a <= b) == 1.0f;
		rt[8] = (int)(x + (float)(a < b));
		rt[9] = (int)((float)(unsigned char)(a < b) * 8 + (float)(long)(a < b) * 4);
	}
	rb[0] = x.a;
	rb[1] = x.b;
	rb[2] = x.c;
	rb[3] = y.a;
	rb[4] = y.b;
	rb[5] = xs[1].b;
	rb[6] = xs[1].c;
	rb[7] = xs[0].a;
	a = 0;
	b = 0;
	if (steps.b0-- > 0)
		a++;
	if (steps.b0-- > 0)
		a++;
	if (steps.b1++ == 0)
		b++;
	if (steps.b1++ == 0)
		b++;
	rs[0] = a;
	rs[1] = b;
	a = 0;
	b = 0;
	if (steps.w-- != 0)
		a++;
	if (steps.w-- != 0)
		a++;
	if (steps.v++ == 15)
		b++;
	if (steps.v++ == 15)
		b++;
	rs[2] = a;
	rs[3] = b;
	rs[4] = steps.b0;
	rs[5] = steps.w;
	rs[6] = steps.v;
	for (;;)
		continue;
}
