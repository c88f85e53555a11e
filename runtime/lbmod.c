/* Unsigned byte remainder. Dividing by zero gives the dividend. */
unsigned char __lbmod(unsigned char dividend, unsigned char divisor)
{
	unsigned char remainder = 0;
	unsigned char count = 8;

	if (divisor == 0)
		return dividend;
	do {
		unsigned char carry = remainder & 0x80;

		remainder <<= 1;
		if (dividend & 0x80)
			remainder |= 1;
		dividend <<= 1;
		if (carry || remainder >= divisor)
			remainder -= divisor;
	} while (--count != 0);
	return remainder;
}
