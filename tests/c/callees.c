/* Calls through a function pointer that an expression gives, not a
   variable: a call's value, with and without the *, in a value, a
   condition, an argument and a return; a choice of two pointers, of two
   functions and of two calls; a member of a structure a call points to;
   a call through the value of a call made through a pointer; a byte
   result. */
volatile int r[15];
volatile unsigned char rb[3];

typedef int (*word_fn)(int);
typedef unsigned char (*byte_fn)(unsigned char);
typedef word_fn (*picker_fn)(unsigned char);

int inc(int b) { return b + 1; }
int dbl(int b) { return b * 2; }
unsigned char nib(unsigned char c) { return c & 15; }

struct ops {
	word_fn fp;
	int bias;
} table[2] = {{inc, 1}, {dbl, 2}};

word_fn pick(unsigned char k) { return k ? dbl : inc; }
struct ops *ops_of(unsigned char k) { return &table[k]; }
int apply(word_fn f, int v) { return f(v); }
byte_fn bytes(void) { return nib; }
picker_fn pickers(void) { return pick; }
int twice(int a, int b) { return a + b + b; }

int through_return(unsigned char k, int v) { return pick(k)(v); }

void main(void)
{
	word_fn p = inc, q = dbl;
	unsigned char k = 1;
	r[0] = (*pick(0))(5);
	r[1] = pick(1)(5);
	r[2] = pick(0)(0) + pick(1)(-1);
	r[3] = twice(pick(1)(3), (*pick(0))(4));
	r[4] = through_return(1, 300);
	r[5] = (k ? p : q)(20);
	r[6] = (*(k ? q : p))(20);
	r[7] = pickers()(0)(41);
	if (pick(1)(2) == 4)
		r[8] = 1;
	pick(0)(0);
	r[9] = (p = q)(9);
	r[10] = (k ? inc : dbl)(5);
	r[11] = (*(k ? &dbl : &inc))(7);
	r[12] = (k ? pick(0) : pick(1))(30);
	r[13] = ops_of(1)->fp(5) + (*ops_of(0)->fp)(5) + ops_of(1)->bias;
	r[14] = apply(pick(1), 4);
	rb[0] = bytes()(0x5A);
	rb[1] = (*bytes())(bytes()(0xF7));
	rb[2] = bytes()(k + 0x20) == 1;
	for (;;)
		continue;
}
