/* A small C program; the toolchain's front end turns it into intermediate code. */
#define COUNT 12

unsigned char fib[COUNT];

void main(void)
{
	unsigned char a = 0, b = 1, t, i;

	for (i = 0; i < COUNT; i++) {
		fib[i] = a;
		t = a + b;
		a = b;
		b = t;
	}
	for (;;)
		continue;
}
