/* Unsigned byte remainder. Dividing by zero gives the dividend. */
unsigned char __lbmod(unsigned char dividend, unsigned char divisor)
{
	unsigned int pair;
	unsigned char count = 8;

	/* As __lbdiv, without the quotient; a zero divisor subtracts nothing
	 * from every step and leaves the dividend. */
	if (divisor & 0x80) {
		if (dividend >= divisor)
			dividend -= divisor;
		return dividend;
	}
	pair = dividend;
	do {
		pair <<= 1;
		if (((unsigned char *)&pair)[1] >= divisor)
			((unsigned char *)&pair)[1] -= divisor;
	} while (--count != 0);
	return ((unsigned char *)&pair)[1];
}
