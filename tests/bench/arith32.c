/* 32-bit arithmetic: a xorshift generator, a sum of products, and a
   division into decimal digits, as a meter formats its total.
   RESULTS: random_result:4 total_result:4 digits:10 */
#ifdef HOST_CHECK
#include <stdio.h>
typedef unsigned int u32;
#else
typedef unsigned long u32;
#endif
volatile u32 random_result, total_result;
volatile unsigned char digits[10];

#ifndef HOST_CHECK
void bench_done(void)
{
	for (;;)
		continue;
}
#endif

u32 xorshift(u32 x)
{
	x ^= x << 13;
	x ^= x >> 17;
	x ^= x << 5;
	return x;
}

#ifdef HOST_CHECK
int main(void)
#else
void main(void)
#endif
{
	u32 x = 2463534242ul, total = 0, v;
	unsigned char i;

	for (i = 0; i < 16; i++) {
		x = xorshift(x);
		total += (x & 0xFFFF) * (u32)(i + 1);
	}
	random_result = x;
	total_result = total;
	v = total;
	for (i = 0; i < 10; i++) {
		digits[i] = (unsigned char)(v % 10);
		v /= 10;
	}
#ifdef HOST_CHECK
	{
	unsigned __int128 d = 0;
	char t[40];
	int k = 0;

	for (i = 10; i-- != 0;)
		d = d << 8 | digits[i];
	do
		t[k++] = (char)('0' + (int)(d % 10));
	while ((d /= 10) != 0);
	printf("random_result=%u\ntotal_result=%u\ndigits=", random_result, total_result);
	while (k != 0)
		putchar(t[--k]);
	putchar('\n');
	}
	return 0;
#else
	bench_done();
#endif
}
