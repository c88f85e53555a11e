/* ADC averaging: eight readings summed and divided, a running average of
   the last four, and the peak. The readings come from a table in program
   memory standing in for the converter, which read_adc would start and
   wait for (GO_DONE) on a chip. */
#include <tovra18.h>

const unsigned int samples[8] = {512, 520, 498, 1023, 0, 505, 515, 511};

volatile unsigned int average, running, peak;

unsigned int read_adc(unsigned char i)
{
	return samples[i & 7];
}

void main(void)
{
	unsigned long sum = 0;
	unsigned int window[4], value;
	unsigned char i;
	for (i = 0; i < 4; i++)
		window[i] = 0;
	for (i = 0; i < 8; i++) {
		value = read_adc(i);
		sum += value;
		window[i & 3] = value;
		if (value > peak)
			peak = value;
	}
	average = (unsigned int)(sum / 8);
	running = (window[0] + window[1] + window[2] + window[3]) / 4;
	for (;;)
		continue;
}
