/* Insertion sort of 32 bytes in RAM, then a check that they are in order.
   RESULTS: sorted_ok:1 */
#ifdef HOST_CHECK
#include <stdio.h>
#endif
volatile unsigned char sorted_ok;
unsigned char data[32];

#ifndef HOST_CHECK
void bench_done(void)
{
	for (;;)
		continue;
}
#endif

void sort(unsigned char *a, unsigned char n)
{
	unsigned char i, j, v;

	for (i = 1; i < n; i++) {
		v = a[i];
		j = i;
		while (j != 0 && a[j - 1] > v) {
			a[j] = a[j - 1];
			j--;
		}
		a[j] = v;
	}
}

#ifdef HOST_CHECK
int main(void)
#else
void main(void)
#endif
{
	unsigned char i, x = 1;

	/* A scrambled start: a byte-wide linear congruential sequence. */
	for (i = 0; i < sizeof data; i++) {
		x = x * 5 + 17;
		data[i] = x;
	}
	sort(data, sizeof data);
	sorted_ok = 1;
	for (i = 1; i < sizeof data; i++)
		if (data[i - 1] > data[i])
			sorted_ok = 0;
#ifdef HOST_CHECK
	printf("sorted_ok=%u\n", sorted_ok);
	return 0;
#else
	bench_done();
#endif
}
