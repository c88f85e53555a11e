/* Byte product, low byte: the same for signed and unsigned bytes. */
unsigned char __bmul(unsigned char multiplier, unsigned char multiplicand)
{
	unsigned char product = 0;

	while (multiplier != 0) {
		if (multiplier & 1)
			product += multiplicand;
		multiplicand <<= 1;
		multiplier >>= 1;
	}
	return product;
}
