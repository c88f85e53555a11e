/* 16-bit integer arithmetic: Euclid's greatest common divisor, an integer
   square root by bits, and a multiply-accumulate of signed samples.
   RESULTS: gcd_result:2 root_result:2 mac_result:2 */
#ifdef HOST_CHECK
#include <stdio.h>
#endif
volatile unsigned int gcd_result, root_result;
volatile int mac_result;

const int coeff[8] = {3, -5, 12, 40, 40, 12, -5, 3};

#ifndef HOST_CHECK
void bench_done(void)
{
	for (;;)
		continue;
}
#endif

unsigned int gcd(unsigned int a, unsigned int b)
{
	unsigned int t;

	while (b != 0) {
		t = a % b;
		a = b;
		b = t;
	}
	return a;
}

unsigned int isqrt(unsigned int n)
{
	unsigned int root = 0, step = 0x4000;

	while (step > n)
		step >>= 2;
	while (step != 0) {
		if (n >= root + step) {
			n -= root + step;
			root = (root >> 1) + step;
		} else {
			root >>= 1;
		}
		step >>= 2;
	}
	return root;
}

#ifdef HOST_CHECK
int main(void)
#else
void main(void)
#endif
{
	int samples[8];
	unsigned char i;
	int acc = 0;

	for (i = 0; i < 8; i++)
		samples[i] = (int)(i * 37) - 100;
	for (i = 0; i < 8; i++)
		acc += coeff[i] * samples[i];
	mac_result = acc;
	gcd_result = gcd(46368, 28657) + gcd(1071, 462);
	root_result = isqrt(50000);
#ifdef HOST_CHECK
	printf("gcd_result=%u\nroot_result=%u\nmac_result=%u\n", gcd_result, root_result, (unsigned short)mac_result);
	return 0;
#else
	bench_done();
#endif
}
