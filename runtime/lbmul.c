/* Unsigned bytes to their whole 16-bit product: one hardware multiply. */
unsigned int __lbmul(unsigned char multiplier, unsigned char multiplicand)
{
	return (unsigned int)multiplier * multiplicand;
}
