/* Unsigned byte quotient. Dividing by zero gives 0FFh. */
unsigned char __lbdiv(unsigned char dividend, unsigned char divisor)
{
	unsigned char quotient = 0;
	unsigned char remainder = 0;
	unsigned char count = 8;

	/* Long division one bit at a time: the remainder never needs more
	 * than the divisor's width plus the bit shifted in, so it cannot
	 * overflow, and a zero divisor ends with every quotient bit set. */
	do {
		unsigned char carry = remainder & 0x80;

		remainder <<= 1;
		if (dividend & 0x80)
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
