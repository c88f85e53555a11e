/* Long product, low 32 bits: the same for signed and unsigned longs. */
unsigned long __lmul(unsigned long multiplier, unsigned long multiplicand)
{
	unsigned long product = 0;

	while (multiplier != 0) {
		if (multiplier & 1)
			product += multiplicand;
		multiplicand <<= 1;
		multiplier >>= 1;
	}
	return product;
}
