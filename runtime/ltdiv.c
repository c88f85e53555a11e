/* Unsigned 24-bit quotient. Dividing by zero gives 0FFFFFFh. */
unsigned short long __ltdiv(unsigned short long dividend, unsigned short long divisor)
{
	unsigned short long quotient = 0;
	unsigned short long remainder = 0;
	unsigned char count = 24;

	/* Long division one bit at a time; see __lbdiv. */
	do {
		unsigned char carry = (remainder & (unsigned short long)0x800000) != 0;

		remainder <<= 1;
		if (dividend & (unsigned short long)0x800000)
			remainder |= 1;
		dividend <<= 1;
		quotient <<= 1;
		if (carry || remainder >= divisor) {
			remainder -= divisor;
			quotient |= 1;
		}
	} while (--count != 0);
	return quotient;
}
