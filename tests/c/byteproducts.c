/* Products of bytes widened to int, and of words by constants, which the
   hardware multiplier does in line: operands of every kind (objects,
   elements, pointers, calls, parameters), constants at the edges of a
   byte and past them, signed bytes, and the products used in sums,
   indexes, compares and arguments. */
volatile unsigned int ru[18];
volatile int rs[12];
volatile unsigned char rb[4];
volatile long rl[2];

unsigned char a = 200, b = 255, k[4] = {0, 1, 128, 255};
signed char sa = -128, sb = 127, sc = -3;
unsigned int w = 0xABCD;
int iw = -1234;
unsigned char *p = &b;
float fl = 6.25;

unsigned char byte_of(unsigned char v)
{
	return (unsigned char)(v + 1);
}

unsigned int twice(unsigned int x, unsigned int y)
{
	return x + y;
}

unsigned int scale(unsigned char v)
{
	return v * 37;
}

int sscale(signed char v, signed char m)
{
	return v * m;
}

void main(void)
{
	unsigned char i;
	unsigned int sum = 0;

	ru[0] = a * 37;
	ru[1] = b * 255;
	ru[2] = a * 128;	/* a shift */
	ru[3] = k[3] * 254;
	ru[4] = *p * 200;
	ru[5] = byte_of(a) * 99;	/* a call's value */
	ru[6] = twice(a * 3, byte_of(b) * 5);	/* calls beside the products */
	ru[7] = a * 256 + b * 300;	/* constants past a byte */
	ru[8] = scale(b);
	for (i = 0; i < 4; i++)
		sum += k[i] * 101;
	ru[9] = sum;
	ru[10] = (unsigned int)a * b;
	ru[11] = w * 10;
	ru[12] = w * 255;
	ru[13] = w * 3 + 1;
	ru[14] = (a * 37 > 7000) + (b * 2 < 100) * 2;
	ru[15] = a * 3u - 1;
	ru[16] = (unsigned char)fl * 3;	/* a routine's value, PROD used */
	ru[17] = (unsigned char)fl * b;
	rs[0] = a * -5;	/* a negative constant */
	rs[1] = sa * sb;
	rs[2] = sa * sa;
	rs[3] = sb * sb;
	rs[4] = sc * sa;
	rs[5] = sa * 37;
	rs[6] = sc * 255;
	rs[7] = sscale(sc, sb);
	rs[8] = sa * b;	/* a signed byte by an unsigned one */
	rs[9] = iw * 10;
	rs[10] = iw * 200;
	rs[11] = sc * a - 7;
	rb[0] = (unsigned char)(a * 37);
	rb[1] = k[(a * 3) & 3];
	rb[2] = (unsigned char)((b * 255) >> 8);
	rb[3] = sa * sb < 0;
	rl[0] = (long)(sa * sb);
	rl[1] = (unsigned long)(a * 37) * 2;
	for (;;)
		continue;
}
