/* A byte parameter that arrives in W and must be kept in memory lies
   among its function's locals, after the parameter area. With a compiled
   stack larger than a bank each function's block has an address of its
   own; here keep's parameter area ends in the access bank and its locals
   begin past it, so the byte must be written banked. */
volatile unsigned char r[6];

unsigned char bump(unsigned char x)
{
	return (unsigned char)(x + 1);
}

unsigned char big(unsigned char n)
{
	volatile unsigned char w[300];
	w[n] = n;
	w[299] = (unsigned char)(n + 1);
	return (unsigned char)(w[n] + w[299]);
}

unsigned char keep(unsigned char a, long b, long c, long d)
{
	unsigned char t = bump(a);
	return (unsigned char)(a + t + (unsigned char)b + (unsigned char)(c >> 8) + (unsigned char)(d >> 16));
}

void main(void)
{
	volatile unsigned char buf[0x70];
	unsigned char k;
	for (k = 0; k < sizeof buf; k++)
		buf[k] = k;
	r[0] = keep(0x21, 0x10L, 0x300L, 0x40000L);
	r[1] = keep(0x80, -1L, 0L, 0x7F0000L);
	r[2] = buf[0x6F];
	r[3] = buf[0];
	r[4] = big(5);
	for (;;)
		continue;
}
