/* Calls several deep, byte results in W, returns from the middle of a
   function, a call's result passed in W to a call of the same function
   with other arguments, word results through function pointers, and a word
   chosen by a condition on the parameter its result overlays. */
volatile unsigned char b1, b2, b3, b4, steps;
unsigned int wv = 7;
volatile unsigned int wr[2];
volatile unsigned char first[2]; /* only its first element is written */
volatile int sg[2];
unsigned char g;

void step(void)
{
	if (g > 5)
		return;
	steps++;
}
unsigned char next(void)
{
	step();
	if (g == 3)
		return 100;
	return g + 1;
}
unsigned char after_next(void) { return next() + 10; }
unsigned char mix(unsigned char a, unsigned int b, signed char c) { return a + (unsigned char)b + c; }
unsigned int twice(unsigned int x) { return x + x; }
unsigned int fixed(void) { return 4242; }
unsigned int (*fw)(unsigned int);
unsigned int (*fz)(void);
int sign_of(int a)
{
	return (unsigned)(a ^ -7) & 0x8000u ? -1 - (int)(~(unsigned)(a ^ -7) & 0x7FFF) : (int)((unsigned)(a ^ -7) & 0x7FFF);
}

void main(void)
{
	g = 2;
	b1 = next();
	g = 3;
	b2 = after_next();
	g = 9;
	b3 = after_next();
	step();
	b4 = mix(mix(2, 40000u, -3), 255u - wv, 5);
	fw = twice;
	fz = fixed;
	wr[0] = fw(wv) + 1;
	wr[1] = fz();
	first[0] = b4;
	sg[0] = sign_of(1);
	sg[1] = sign_of(-9);
	for (;;) continue;
}
