/* Unsigned word remainder. Dividing by zero gives the dividend. */
unsigned int __lwmod(unsigned int dividend, unsigned int divisor)
{
	unsigned int remainder = 0;
	unsigned char count = 16;

	if (divisor == 0)
		return dividend;
	do {
		unsigned char carry = (remainder & 0x8000) != 0;

		remainder <<= 1;
		if (dividend & 0x8000)
			remainder |= 1;
		dividend <<= 1;
		if (carry || remainder >= divisor)
			remainder -= divisor;
	} while (--count != 0);
	return remainder;
}
