#include <errno.h>
#include <math.h>

/* sin(x + quadrant * pi/2). x = k pi/2 + r with k the integer nearest
 * x / (pi/2) and r taken away in three parts of 8 bits each; k times the
 * first is exact while k has at most 8 bits (16 in the 32-bit format), so
 * r is nearly exact for |x| up to about 400 (or 100000), and loses
 * accuracy beyond (past 2^31 the result is no more than a value between
 * -1 and 1). Then sin r or cos r, |r| <= pi/4, by their series. */
double __sincos(double x, unsigned char quadrant)
{
	double k, r, r2, p;
	long turns;
	unsigned char j;

	if (x != x)
		return x;
	if (fabs(x) == HUGE_VAL) {
		errno = EDOM;
		return HUGE_VAL - HUGE_VAL;
	}
	k = x < 0 ? -0.5 : 0.5;
	modf(x * 0.63661977236758134 + k, &k);
	r = ((x - k * 1.5703125) - k * 4.825592041015625e-4) - k * 1.2675907950567313e-6;
	turns = (long)k;
	quadrant += (unsigned char)turns;
	r2 = r * r;
	/* 1 - r2/(j (j+1)) (1 - r2/((j+2) (j+3)) (...)) from j = 2 gives
	 * sin r / r, from j = 1 cos r: 6 factors for 32 bits, 4 for 24. */
	j = (quadrant & 1) ? 1 : 2;
	j += sizeof(double) == 4 ? 10 : 6;
	p = 1;
	do {
		p = 1 - p * r2 / (double)(unsigned int)(j * (j + 1));
		j -= 2;
	} while (j != 0 && j != 255);
	if (!(quadrant & 1))
		p *= r;
	return (quadrant & 2) ? -p : p;
}
