/* Float arithmetic: a first-order low-pass filter over a step, and a
   polynomial evaluated by Horner's rule, as a sensor reading is smoothed
   and linearised.
   RESULTS: reading:2 */
#ifdef HOST_CHECK
#include <stdio.h>
#endif
volatile float filtered, linearised;
volatile int reading;

#ifndef HOST_CHECK
void bench_done(void)
{
	for (;;)
		continue;
}
#endif

float poly(float x)
{
	return ((0.002f * x - 0.05f) * x + 1.5f) * x + 20.0f;
}

#ifdef HOST_CHECK
int main(void)
#else
void main(void)
#endif
{
	float y = 0;
	unsigned char i;

	for (i = 0; i < 32; i++)
		y += (100.0f - y) * 0.125f;
	filtered = y;
	linearised = poly(y / 10.0f);
	reading = (int)(linearised * 10.0f);
#ifdef HOST_CHECK
	printf("reading=%u\n", (unsigned short)reading);
	return 0;
#else
	bench_done();
#endif
}
