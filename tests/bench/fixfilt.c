/* Fixed-point filtering: an 8-tap FIR filter, taps in 65536ths and a 32-bit
   accumulator, then a first-order low-pass in Q8.8 over its output, as a
   sensor's samples are smoothed.
   RESULTS: fir_sum:4 lp_last:2 peak:2 */
#ifdef HOST_CHECK
#include <stdio.h>
typedef short s16;
typedef int s32;
#else
typedef int s16;
typedef long s32;
void bench_done(void) { for (;;) continue; }
#endif
typedef unsigned char u8;

volatile s32 fir_sum;
volatile s16 lp_last, peak;

const s16 taps[8] = {-2400, 4600, 10400, 18200, 18200, 10400, 4600, -2400};
s16 input[40], delay[8];

s16 fir(s16 x)
{
	s32 acc = 0;
	u8 k;

	for (k = 7; k != 0; k--)
		delay[k] = delay[k - 1];
	delay[0] = x;
	for (k = 0; k < 8; k++)
		acc += (s32)taps[k] * delay[k];
	return (s16)(acc >> 16);
}

#ifdef HOST_CHECK
int main(void)
#else
void main(void)
#endif
{
	u8 i;
	s16 y, lp = 0, top = -32768;
	s32 sum = 0;

	for (i = 0; i < 40; i++)
		input[i] = (s16)((i & 8) ? 3000 - i * 50 : -2000 + i * 75);
	for (i = 0; i < 40; i++) {
		y = fir(input[i]);
		sum += y;
		lp += (s16)(((s32)(y - lp) * 45) >> 8);
		if (lp > top)
			top = lp;
	}
	fir_sum = sum;
	lp_last = lp;
	peak = top;
#ifdef HOST_CHECK
	printf("fir_sum=%u\nlp_last=%u\npeak=%u\n", (unsigned)fir_sum, (unsigned)(unsigned short)lp_last,
	       (unsigned)(unsigned short)peak);
	return 0;
#else
	bench_done();
#endif
}
