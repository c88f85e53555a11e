/* Byte product, low byte: the same for signed and unsigned bytes. */
unsigned char __bmul(unsigned char multiplier, unsigned char multiplicand)
{
	return multiplier * multiplicand;
}
