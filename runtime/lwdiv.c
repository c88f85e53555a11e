/* Unsigned word quotient. Dividing by zero gives 0FFFFh. */
unsigned int __lwdiv(unsigned int dividend, unsigned int divisor)
{
	unsigned int quotient = 0;
	unsigned int remainder = 0;
	unsigned char count = 16;

	/* Long division one bit at a time; see __lbdiv. */
	do {
		unsigned char carry = (remainder & 0x8000) != 0;

		remainder <<= 1;
		if (dividend & 0x8000)
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
