/* A call's value as an argument of a call whose parameter area is the
   inner callee's own: the same function, or two functions that one
   pointer may call (they share their area). Values of two and four bytes,
   at the start of the area and inside the bytes of the value, directly and
   through pointers. */
volatile long rl[4];
volatile int ri[6];
volatile unsigned char k;

typedef long (*long_fn)(int, long);
typedef int (*word_fn)(int);
long add(int a, long b) { return a + b; }
long sub(int a, long b) { return a - b; }
int inc(int b) { return b + 1; }
int dbl(int b) { return b * 2; }
int max(int a, int b) { return a > b ? a : b; }
long_fn pick_long(void) { return k ? add : sub; }
word_fn pick(unsigned char c) { return c ? dbl : inc; }
volatile long_fn keep;

void main(void)
{
	keep = pick_long();
	rl[0] = add(1, add(7000, 3l));
	rl[1] = add(1, sub(70000, 3l));
	rl[2] = sub(2, add(5, 0x12345678l));
	rl[3] = sub(add(1, 2l), add(3, 4l));
	ri[0] = dbl(inc(7));
	ri[1] = inc(dbl(-7));
	ri[2] = pick(0)(pick(1)(7));
	ri[3] = dbl(pick(0)(20));
	ri[4] = max(3, max(-4, 9));
	ri[5] = max(max(1, 2), max(-3, -4));
	for (;;)
		continue;
}
