/* Compound assignments whose right operand has another type than the
   object: the operation is done in the common type, then converted back. */
volatile unsigned char b[6];
volatile int w[4];
unsigned char ub = 200, ub2 = 200, ub3 = 10;
signed char sb = -100, sb2 = -7;
int iw = 3, iw2 = 7, iw3 = 1000;
unsigned int uw = 50000u;
long divisor = 100000L;
int wide = 300;
float f = -2.5;

void main(void)
{
	ub %= 300;          /* 200, not 200 % 44 */
	ub2 /= wide;        /* 0 */
	sb /= 200;          /* 0, not -100 / -56 */
	sb2 %= wide;        /* -7 */
	ub3 += f;           /* 7.5 to 7 */
	iw *= 1.5;          /* 4 */
	iw2 /= 0.5;         /* 14 */
	iw3 -= 0.75;        /* 999.25 to 999 */
	uw /= divisor;      /* 0 */
	b[0] = ub; b[1] = ub2; b[2] = sb; b[3] = sb2; b[4] = ub3; b[5] = uw;
	w[0] = iw; w[1] = iw2; w[2] = iw3; w[3] = uw;
	for (;;) continue;
}
