/* Float arithmetic: a first-order low-pass filter over a step, and a
   polynomial evaluated by Horner's rule, as a sensor reading is smoothed
   and linearised. */
volatile float filtered, linearised;
volatile int reading;

void bench_done(void)
{
	for (;;)
		continue;
}

float poly(float x)
{
	return ((0.002f * x - 0.05f) * x + 1.5f) * x + 20.0f;
}

void main(void)
{
	float y = 0;
	unsigned char i;

	for (i = 0; i < 32; i++)
		y += (100.0f - y) * 0.125f;
	filtered = y;
	linearised = poly(y / 10.0f);
	reading = (int)(linearised * 10.0f);
	bench_done();
}
