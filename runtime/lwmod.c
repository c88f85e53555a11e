/* Unsigned word remainder. Dividing by zero gives the dividend. */
unsigned int __lwmod(unsigned int dividend, unsigned int divisor)
{
	unsigned int remainder;
	unsigned char count = 16;

	/* As __lwdiv, without the quotient; a zero divisor subtracts nothing
	 * from every step and leaves the dividend. */
	if (((unsigned char *)&divisor)[1] & 0x80) {
		if (dividend >= divisor)
			dividend -= divisor;
		return dividend;
	}
	/* Zero bytes at the dividend's top give zero quotient bits and leave
	 * the remainder 0: they go in one move each. */
	while (((unsigned char *)&dividend)[1] == 0 && count != 8) {
		dividend <<= 8;
		count -= 8;
	}
	remainder = 0;
	do {
		remainder <<= 1;
		if (((unsigned char *)&dividend)[1] & 0x80)
			((unsigned char *)&remainder)[0]++;
		dividend <<= 1;
		if (remainder >= divisor)
			remainder -= divisor;
	} while (--count != 0);
	return remainder;
}
