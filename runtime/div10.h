/* Division by ten a byte at a time, from the top: with the remainder r
 * (0 to 9) of the bytes above, the byte b gives the quotient byte
 * (r * 256 + b) / 10, worked out as the high word of (r * 256 + b) * 199Ah
 * (exact below 2560) from four byte products of the hardware multiplier,
 * and the new remainder, which the low byte alone holds. The routines
 * for constant divisors of ten (__lwdiv10 and kin) share it. */
#ifndef DIV10_H
#define DIV10_H

#define DIV10_STEP(b, q, r, mid) \
	mid = (unsigned int)(r) * 0x9A; \
	mid += (unsigned int)(b) * 0x19; \
	mid += (unsigned char)(((unsigned int)(b) * 0x9A) >> 8); \
	q = (unsigned char)((unsigned char)((r) * 0x19) + (unsigned char)(mid >> 8)); \
	r = (unsigned char)((b) - (unsigned char)((q) * 10))

/* The top byte's step, whose remainder from above is 0. */
#define DIV10_FIRST(b, q, r, mid) \
	mid = (unsigned int)(b) * 0x19; \
	mid += (unsigned char)(((unsigned int)(b) * 0x9A) >> 8); \
	q = (unsigned char)(mid >> 8); \
	r = (unsigned char)((b) - (unsigned char)((q) * 10))

#endif
