volatile unsigned char fib[12];
void main(void)
{
	unsigned char a = 0, b = 1, t, i;
	for (i = 0; i < 12; i++) { fib[i] = a; t = a + b; a = b; b = t; }
	for (;;) continue;
}
