/* 24-bit product, low 24 bits: the same for signed and unsigned short
 * longs. Six byte products on the hardware multiplier: the low bytes'
 * whole product, the two cross products of weight 2^8 added from byte 1,
 * and the low bytes of the three of weight 2^16 into byte 2. Sums are
 * words and bytes (a wider one goes through a copy), and the product is
 * built in the multiplier, where the result is returned, once its bytes
 * are no longer read. */
unsigned short long __tmul(unsigned short long multiplier, unsigned short long multiplicand)
{
#define A(i) (((unsigned char *)&multiplier)[i])
#define B(i) (((unsigned char *)&multiplicand)[i])
#define LO(w) (((unsigned char *)&w)[0])
#define HI(w) (((unsigned char *)&w)[1])
	unsigned int low, top;

	low = (unsigned int)A(0) * B(0);
	top = (unsigned int)A(0) * B(1);
	top += (unsigned int)A(1) * B(0);
	top += HI(low);
	HI(top) += (unsigned char)(A(0) * B(2));
	HI(top) += (unsigned char)(A(1) * B(1));
	HI(top) += (unsigned char)(A(2) * B(0));
	A(0) = LO(low);
	A(1) = LO(top);
	A(2) = HI(top);
	return multiplier;
#undef A
#undef B
#undef LO
#undef HI
}
