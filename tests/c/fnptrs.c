/* Function pointers declared inside function bodies, whose pointed-to
   types the parser names there: a local pointer, a local typedef, a call
   through the dereferenced pointer, a pointer parameter; byte and word
   results. */
volatile unsigned char ok[6];
volatile int wr[2];

int inc(int b) { return b + 1; }
int dbl(int b) { return b * 2; }
unsigned char nib(unsigned char c) { return c & 15; }
int apply(int (*g)(int), int v) { return g(v); }

void locals(void)
{
	int (*f)(int) = inc;
	typedef unsigned char byte_fn(unsigned char);
	byte_fn *bf = nib;
	ok[0] = f(11) == 12;
	ok[1] = bf(0x5A) == 10;
	ok[2] = bf(bf(0xF7)) == 7;
	ok[3] = (*bf)(0x31) == 1;
	ok[4] = apply(inc, 1) == 2 && apply(dbl, 5) == 10;
	f = dbl;
	wr[0] = f(100);
	wr[1] = (*f)(-3);
	ok[5] = sizeof f == sizeof &inc;
}

void main(void)
{
	locals();
	for (;;)
		continue;
}
