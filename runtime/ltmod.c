/* Unsigned 24-bit remainder. Dividing by zero gives the dividend. */
unsigned short long __ltmod(unsigned short long dividend, unsigned short long divisor)
{
	unsigned short long remainder = 0;
	unsigned char count = 24;

	if (divisor == 0)
		return dividend;
	do {
		unsigned char carry = (remainder & (unsigned short long)0x800000) != 0;

		remainder <<= 1;
		if (dividend & (unsigned short long)0x800000)
			remainder |= 1;
		dividend <<= 1;
		if (carry || remainder >= divisor)
			remainder -= divisor;
	} while (--count != 0);
	return remainder;
}
