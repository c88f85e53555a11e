/* Unsigned 24-bit remainder. Dividing by zero gives the dividend. */
unsigned short long __ltmod(unsigned short long dividend, unsigned short long divisor)
{
	unsigned short long remainder;
	unsigned char count = 24;

	/* As __ltdiv, without the quotient; a zero divisor subtracts nothing
	 * from every step and leaves the dividend. */
	if (((unsigned char *)&divisor)[2] & 0x80) {
		if (dividend >= divisor)
			dividend -= divisor;
		return dividend;
	}
	/* Zero bytes at the dividend's top give zero quotient bits and leave
	 * the remainder 0: they go in one move each. */
	while (((unsigned char *)&dividend)[2] == 0 && count != 8) {
		dividend <<= 8;
		count -= 8;
	}
	remainder = 0;
	do {
		remainder <<= 1;
		if (((unsigned char *)&dividend)[2] & 0x80)
			((unsigned char *)&remainder)[0]++;
		dividend <<= 1;
		if (remainder >= divisor)
			remainder -= divisor;
	} while (--count != 0);
	return remainder;
}
