/* Bytes of a variable written through its address: the variable lives in
   memory, and a write of one byte keeps the others. */
volatile unsigned int in = 0x1234;
volatile unsigned long lin = 0x12345678;
volatile unsigned int r[4];
volatile unsigned long rl[2];

unsigned int both(unsigned int x)
{
	unsigned char h = ((unsigned char *)&x)[1], l = ((unsigned char *)&x)[0];
	unsigned int t = (unsigned int)h * 3;
	((unsigned char *)&x)[1] = (unsigned char)t;
	((unsigned char *)&x)[0] = l + 1;
	return x;
}

unsigned int low(unsigned int x)
{
	x += 0x0101;
	((unsigned char *)&x)[0] = 0x77;
	return x;
}

unsigned int high(void)
{
	unsigned int x = in;
	*((unsigned char *)&x + 1) = 0x55;
	return x + 1;
}

unsigned long mid(unsigned long v)
{
	((unsigned char *)&v)[2] ^= 0xff;
	((unsigned char *)&v)[0] = 0;
	return v;
}

unsigned long lowl(void)
{
	unsigned long v = lin;
	*(unsigned char *)&v = 0xaa;
	return v;
}

/* A byte parameter, which may travel in W, and a structure's bytes. */
volatile unsigned char zero;
unsigned char inw(unsigned char c)
{
	((unsigned char *)&c)[zero] = c + 9;
	return c;
}

struct pair {
	unsigned char a, b;
};
volatile unsigned char rb[3];
unsigned char member(struct pair p)
{
	((unsigned char *)&p)[1] = 3;
	*(&p.a + zero) = 4;
	return p.a + p.b;
}

static unsigned int counter;
unsigned int bump(void)
{
	counter = in;
	((unsigned char *)&counter)[1] = 0;
	return counter + 1;
}

void main(void)
{
	struct pair q = {10, 20};
	rb[0] = inw(in);
	rb[1] = member(q);
	rb[2] = (unsigned char)bump();
	r[0] = both(in);
	r[1] = low(in);
	r[2] = high();
	r[3] = low(in) + both(in);
	rl[0] = mid(lin);
	rl[1] = lowl();
	for (;;)
		continue;
}
