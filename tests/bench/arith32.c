/* 32-bit arithmetic: a xorshift generator, a sum of products, and a
   division into decimal digits, as a meter formats its total. */
volatile unsigned long random_result, total_result;
volatile unsigned char digits[10];

void bench_done(void)
{
	for (;;)
		continue;
}

unsigned long xorshift(unsigned long x)
{
	x ^= x << 13;
	x ^= x >> 17;
	x ^= x << 5;
	return x;
}

void main(void)
{
	unsigned long x = 2463534242ul, total = 0, v;
	unsigned char i;

	for (i = 0; i < 16; i++) {
		x = xorshift(x);
		total += (x & 0xFFFF) * (unsigned long)(i + 1);
	}
	random_result = x;
	total_result = total;
	v = total;
	for (i = 0; i < 10; i++) {
		digits[i] = (unsigned char)(v % 10);
		v /= 10;
	}
	bench_done();
}
