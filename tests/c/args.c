/* Calls with several arguments of one and two bytes, byte results in W
   and word results, a parameter that arrives in W and is then needed in
   memory, and calls whose results meet in one expression or argument
   list, where a later call may not overwrite an earlier result. */
volatile unsigned char r1, r2, r3;
volatile unsigned int w1, w2, w3, w4;

unsigned char add3(unsigned char a, unsigned char b, unsigned char c) { return a + b + c; }
unsigned int addw(unsigned int a, unsigned int b) { return a + b; }
unsigned int mix(unsigned char k, unsigned int w, unsigned char j) { return w - k + j; }
unsigned char pick(unsigned char a, unsigned char b) { return a > b ? a - b : b - a; }
unsigned int f(unsigned int x) { return x * 3 + 1; }
unsigned char h(unsigned char x) { return x + 7; }
unsigned int g(unsigned int a, unsigned int c) { return a - c; }

void main(void)
{
	r1 = add3(1, 2, 3);
	r2 = pick(add3(4, 5, 6), pick(20, 3));
	w1 = addw(1000, 2345);
	w2 = mix(7, addw(w1, 0x1234), r1);
	w3 = g(f(100), f(10));
	w4 = f(1) + f(2) * f(3);
	r3 = add3(h(1), h(2), h(3)) + h(4);
	for (;;) continue;
}
