/* Unsigned long quotient. Dividing by zero gives 0FFFFFFFFh. */
unsigned long __lldiv(unsigned long dividend, unsigned long divisor)
{
	unsigned long quotient = 0;
	unsigned long remainder = 0;
	unsigned char count = 32;

	/* Long division one bit at a time; see __lbdiv. */
	do {
		unsigned char carry = (remainder & 0x80000000UL) != 0;

		remainder <<= 1;
		if (dividend & 0x80000000UL)
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
