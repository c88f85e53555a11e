/* Unsigned bytes to their whole 16-bit product. */
unsigned int __lbmul(unsigned char multiplier, unsigned char multiplicand)
{
	unsigned int product = 0;
	unsigned int addend = multiplicand;

	while (multiplier != 0) {
		if (multiplier & 1)
			product += addend;
		addend <<= 1;
		multiplier >>= 1;
	}
	return product;
}
