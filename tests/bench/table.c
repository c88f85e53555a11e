/* A table in program memory: a quarter sine wave, looked up for a whole
   period with the quadrant folded, as a tone generator does.
   RESULTS: wave_sum:2 wave_min:1 wave_max:1 */
#ifdef HOST_CHECK
#include <stdio.h>
#endif
volatile unsigned int wave_sum;
volatile unsigned char wave_min, wave_max;

const unsigned char quarter[17] = {
	128, 140, 152, 165, 176, 188, 198, 208, 218, 226, 234, 240, 245, 250, 253, 254, 255,
};

#ifndef HOST_CHECK
void bench_done(void)
{
	for (;;)
		continue;
}
#endif

unsigned char sine(unsigned char phase)
{
	unsigned char q = phase >> 4, i = phase & 15;

	if (q & 1)
		i = 16 - i;
	if (q & 2)
		return 256 - quarter[i];
	return quarter[i];
}

#ifdef HOST_CHECK
int main(void)
#else
void main(void)
#endif
{
	unsigned char phase = 0, v;

	wave_min = 255;
	do {
		v = sine(phase);
		wave_sum += v;
		if (v < wave_min)
			wave_min = v;
		if (v > wave_max)
			wave_max = v;
		phase++;
	} while (phase < 64);
#ifdef HOST_CHECK
	printf("wave_sum=%u\nwave_min=%u\nwave_max=%u\n", wave_sum, wave_min, wave_max);
	return 0;
#else
	bench_done();
#endif
}
