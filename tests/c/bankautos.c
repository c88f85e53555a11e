/* A function whose locals take more than a bank: its block is placed so
   that none of its longs has bytes in two banks, as each is reached under
   one bank selection. */
volatile long k = 0x12345L;
volatile unsigned char z;
volatile long r[2];

#define A(i) long a##i = k + i
#define B(i) A(i##0); A(i##1); A(i##2); A(i##3); A(i##4); A(i##5); A(i##6); A(i##7)
#define S(i) (a##i##0 ^ a##i##1 ^ a##i##2 ^ a##i##3 ^ a##i##4 ^ a##i##5 ^ a##i##6 ^ a##i##7)

static long wide(void)
{
	volatile unsigned char p[1];
	B(1); B(2); B(3); B(4); B(5); B(6); B(7); B(8); B(9);
	p[z] = 1;
	return S(1) + S(2) + S(3) + S(4) + S(5) + S(6) + S(7) + S(8) + S(9) + p[z];
}

void main(void)
{
	volatile unsigned char pad[0x40];
	pad[z] = 2;
	r[0] = wide();
	k = -7;
	r[1] = wide() + pad[z];
	for (;;)
		continue;
}
