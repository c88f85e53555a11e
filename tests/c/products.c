/* Signed products from the multiply routines, which work on unsigned
   operands: compared, shifted and widened, the product keeps its sign. */
#ifdef HOST
typedef long s24; /* 32 bits on the host: every value used here fits in 24 */
#else
typedef short long s24;
#endif
volatile unsigned char r[12];
volatile int ri[2];
volatile long rl[3];
volatile s24 rt0, rt1;
signed char c = -91;
int i = -1000;
s24 t = -123456;
long l = -1234567;

void main(void)
{
	r[0] = (c * 3) < 3;
	r[1] = (i * 3) > 3;
	r[2] = (i * 3) >= -3000;
	r[3] = (t * 3) >= 3;
	r[4] = (t * 3) < -370000;
	r[5] = (l * 3) >= 3;
	r[6] = (l * 3) <= -3703701;
	if ((l * 3) >= 3)
		r[7] = 1;
	else
		r[7] = 2;
	if ((i * 7) < 0)
		r[8] = 1;
	r[9] = (c * 3) > -300;
	r[10] = (i * i) > 0;	/* 1000000 truncated: 16960, positive */
	r[11] = (t * 2) < 0;
	ri[0] = (i * 3) >> 3;
	ri[1] = (c * 3) >> 2;
	rl[0] = (long)(c * 3);
	rl[1] = (l * 3) >> 3;
	rl[2] = (long)(i * 3);
	rt0 = (t * 3) >> 3;
	rt1 = (s24)(i * 3);
	for (;;)
		continue;
}
