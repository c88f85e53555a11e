/* 24-bit product, low 24 bits: the same for signed and unsigned short
 * longs. */
unsigned short long __tmul(unsigned short long multiplier, unsigned short long multiplicand)
{
	unsigned short long product = 0;

	while (multiplier != 0) {
		if (multiplier & 1)
			product += multiplicand;
		multiplicand <<= 1;
		multiplier >>= 1;
	}
	return product;
}
