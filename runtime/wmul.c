/* Word product, low 16 bits: the same for signed and unsigned words. Three
 * byte products on the hardware multiplier: the low bytes of the two cross
 * products, added into the high byte of the low bytes' whole product. The
 * product is built in the multiplier, where the result is returned, once
 * its bytes are no longer read. */
unsigned int __wmul(unsigned int multiplier, unsigned int multiplicand)
{
#define A(i) (((unsigned char *)&multiplier)[i])
#define B(i) (((unsigned char *)&multiplicand)[i])
	unsigned char cross;

	cross = (unsigned char)(A(0) * B(1));
	cross += (unsigned char)(A(1) * B(0));
	multiplier = (unsigned int)A(0) * B(0);
	A(1) += cross;
	return multiplier;
#undef A
#undef B
}
