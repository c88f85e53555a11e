/* Shifts of words by constants of every kind, and of bytes and words by
   counts known only at run time, signed and unsigned, as values and in
   place, also through pointers; bytes shifted by constants as operands of
   other operators. */
volatile unsigned int w[10];
volatile int s[5];
volatile unsigned char b[4], bc[6];
unsigned int a = 0xB5C3;
int sa = -12345;
unsigned char n = 5, cb = 0x96;
signed char sc = -100;
volatile unsigned int pw[3];
unsigned int pa[4] = {0x1234, 0x8001, 0xF00F, 3};
int ps = -1000;

void main(void)
{
	w[0] = a << 3; w[1] = a >> 2; w[2] = a << 8; w[3] = a >> 9;
	w[4] = a << 15; w[5] = a >> 12; w[6] = a << n; w[7] = a >> n;
	s[0] = sa >> 3; s[1] = sa >> 9; s[2] = sa >> n; s[3] = sa >> 15;
	bc[0] = (cb << 1) | (cb >> 7);
	bc[1] = (cb >> 4) + (cb << 4);
	bc[2] = (cb >> 1) ^ (cb >> 3);
	bc[3] = (sc >> 2) | (cb >> 5);
	bc[4] = (cb << 7) + (cb >> 6);
	bc[5] = ((cb & 0xF0) >> 4) | ((cb & 0x0F) << 4);
	b[0] = cb << n; b[1] = cb >> n; b[2] = sc >> n;
	a <<= 4; w[8] = a; a >>= n; w[9] = a;
	sa >>= 10; s[4] = sa;
	cb >>= n; b[3] = cb;
	{
		unsigned int *p = &pa[0];
		int *q = &ps;
		*p <<= n & 15;
		pa[n & 3] <<= 3;
		*q >>= n;
		pw[0] = pa[0]; pw[1] = pa[1]; pw[2] = ps;
	}
	for (;;) continue;
}
