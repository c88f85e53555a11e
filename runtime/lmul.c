/* Long product, low 32 bits: the same for signed and unsigned longs. Ten
 * byte products on the hardware multiplier, summed by the byte they start
 * at: the low bytes' whole product at 0, the two cross products of weight
 * 2^8 (a sum of up to 17 bits) at 1, three products at 2 and of four only
 * their low bytes at 3. */
unsigned long __lmul(unsigned long multiplier, unsigned long multiplicand)
{
#define A(i) (((unsigned char *)&multiplier)[i])
#define B(i) (((unsigned char *)&multiplicand)[i])
	unsigned long product;
	unsigned short long middle;
	unsigned int high;

	middle = (unsigned int)A(0) * B(1);
	middle += (unsigned int)A(1) * B(0);
	product = (unsigned int)A(0) * B(0);
	middle += ((unsigned char *)&product)[1];
	high = (unsigned int)A(1) * B(1);
	high += (unsigned int)A(0) * B(2);
	high += (unsigned int)A(2) * B(0);
	high += (unsigned int)(middle >> 8);
	((unsigned char *)&high)[1] += (unsigned char)(A(0) * B(3)) + (unsigned char)(A(3) * B(0))
		+ (unsigned char)(A(1) * B(2)) + (unsigned char)(A(2) * B(1));
	((unsigned char *)&product)[1] = ((unsigned char *)&middle)[0];
	((unsigned char *)&product)[2] = ((unsigned char *)&high)[0];
	((unsigned char *)&product)[3] = ((unsigned char *)&high)[1];
	return product;
#undef A
#undef B
}
