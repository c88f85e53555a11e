/* The AES multiply with calls, alone: its products wait beside calls of
   a routine that multiplies too, and no other product in the program
   brings in the word multiply routine. */
volatile unsigned char r[4];
unsigned char a = 0x57, b = 0xc3;

unsigned char xt(unsigned char x) { return (x << 1) ^ (((x >> 7) & 1) * 0x1b); }
unsigned char mul(unsigned char x, unsigned char y)
{
	return ((y & 1) * x) ^ ((y >> 1 & 1) * xt(x)) ^ ((y >> 2 & 1) * xt(xt(x))) ^ ((y >> 3 & 1) * xt(xt(xt(x))));
}

void main(void)
{
	r[0] = mul(a, 0x13);
	r[1] = mul(b, 0x0f);
	r[2] = mul(r[0], r[1]);
	r[3] = mul(0xff, 0xff);
	for (;;)
		continue;
}
