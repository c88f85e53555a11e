/* A small C program: the first Fibonacci numbers, left in RAM for gpsim to show. */
#define COUNT 12

volatile unsigned char fib[COUNT];

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
