/* Word product, low 16 bits: the same for signed and unsigned words. Three
 * byte products on the hardware multiplier: the low bytes' whole product,
 * and the low bytes of the two cross products added into the high byte. */
unsigned int __wmul(unsigned int multiplier, unsigned int multiplicand)
{
	unsigned char al = multiplier, bl = multiplicand;
	unsigned int product = (unsigned int)al * bl;

	((unsigned char *)&product)[1] += (unsigned char)(al * ((unsigned char *)&multiplicand)[1]);
	((unsigned char *)&product)[1] += (unsigned char)(((unsigned char *)&multiplier)[1] * bl);
	return product;
}
