/* Word product, low 16 bits: the same for signed and unsigned words. */
unsigned int __wmul(unsigned int multiplier, unsigned int multiplicand)
{
	unsigned int product = 0;

	while (multiplier != 0) {
		if (multiplier & 1)
			product += multiplicand;
		multiplicand <<= 1;
		multiplier >>= 1;
	}
	return product;
}
