/* 24-bit product, low 24 bits: the same for signed and unsigned short
 * longs. Six byte products on the hardware multiplier: the low bytes'
 * whole product, the two cross products of weight 2^8 added from byte 1,
 * and the low bytes of the three of weight 2^16 into byte 2. */
unsigned short long __tmul(unsigned short long multiplier, unsigned short long multiplicand)
{
#define A(i) (((unsigned char *)&multiplier)[i])
#define B(i) (((unsigned char *)&multiplicand)[i])
	unsigned short long product;
	unsigned int top;

	product = (unsigned int)A(0) * B(0);
	top = (unsigned int)A(0) * B(1);
	top += (unsigned int)A(1) * B(0);
	top += ((unsigned char *)&product)[1];
	((unsigned char *)&top)[1] += (unsigned char)(A(0) * B(2)) + (unsigned char)(A(1) * B(1))
		+ (unsigned char)(A(2) * B(0));
	((unsigned char *)&product)[1] = ((unsigned char *)&top)[0];
	((unsigned char *)&product)[2] = ((unsigned char *)&top)[1];
	return product;
#undef A
#undef B
}
