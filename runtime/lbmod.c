/* Unsigned byte remainder. Dividing by zero gives the dividend. */
unsigned char __lbmod(unsigned char dividend, unsigned char divisor)
{
	unsigned char remainder;
	unsigned char count = 8;

	/* As __lbdiv, without the quotient; a zero divisor subtracts nothing
	 * from every step and leaves the dividend. */
	if (((unsigned char *)&divisor)[0] & 0x80) {
		if (dividend >= divisor)
			dividend -= divisor;
		return dividend;
	}
	remainder = 0;
	do {
		remainder <<= 1;
		if (((unsigned char *)&dividend)[0] & 0x80)
			((unsigned char *)&remainder)[0] |= 1;
		dividend <<= 1;
		if (remainder >= divisor)
			remainder -= divisor;
	} while (--count != 0);
	return remainder;
}
