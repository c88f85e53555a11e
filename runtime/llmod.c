/* Unsigned long remainder. Dividing by zero gives the dividend. */
unsigned long __llmod(unsigned long dividend, unsigned long divisor)
{
	unsigned long remainder = 0;
	unsigned char count = 32;

	if (divisor == 0)
		return dividend;
	do {
		unsigned char carry = (remainder & 0x80000000UL) != 0;

		remainder <<= 1;
		if (dividend & 0x80000000UL)
			remainder |= 1;
		dividend <<= 1;
		if (carry || remainder >= divisor)
			remainder -= divisor;
	} while (--count != 0);
	return remainder;
}
