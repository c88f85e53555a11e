/* Calls with several arguments of one and two bytes, byte results in W
   and word results, a parameter that arrives in W and is then needed in
   memory. */
volatile unsigned char r1, r2;
volatile unsigned int w1, w2;

unsigned char add3(unsigned char a, unsigned char b, unsigned char c) { return a + b + c; }
unsigned int addw(unsigned int a, unsigned int b) { return a + b; }
unsigned int mix(unsigned char k, unsigned int w, unsigned char j) { return w - k + j; }
unsigned char pick(unsigned char a, unsigned char b) { return a > b ? a - b : b - a; }

void main(void)
{
	r1 = add3(1, 2, 3);
	r2 = pick(add3(4, 5, 6), pick(20, 3));
	w1 = addw(1000, 2345);
	w2 = mix(7, addw(w1, 0x1234), r1);
	for (;;) continue;
}
