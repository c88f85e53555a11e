/* Unsigned word quotient. Dividing by zero gives 0FFFFh. */
unsigned int __lwdiv(unsigned int dividend, unsigned int divisor)
{
	unsigned int remainder;
	unsigned char count, quotient;

	if (divisor == 0)
		return 0xFFFF;
	if (divisor > dividend)
		return 0;
	/* A divisor above the dividend's high byte goes into the dividend
	 * fewer than 100h times: it is lined up under the dividend's top bit
	 * and subtracted back down, one step a bit of the byte quotient, so a
	 * small quotient takes a few steps. */
	if (((unsigned char *)&divisor)[1] != 0 ||
	    ((unsigned char *)&divisor)[0] > ((unsigned char *)&dividend)[1]) {
		/* Doubled, it stays within the dividend while it is at most
		 * half of it, so it never overflows. */
		remainder = dividend >> 1;
		count = 1;
		while (divisor <= remainder) {
			divisor <<= 1;
			count++;
		}
		quotient = 0;
		do {
			quotient <<= 1;
			if (dividend >= divisor) {
				dividend -= divisor;
				quotient++;
			}
			divisor >>= 1;
		} while (--count != 0);
		return quotient;
	}
	/* A byte divisor at most the dividend's high byte: restoring
	 * division one bit at a time, the quotient's bits shifted into the
	 * dividend as its own bits leave for the remainder. A bit goes in
	 * where a shift left bit 0 clear, so an increment sets it in one
	 * instruction. The remainder stays under the byte divisor, so its
	 * doubling cannot overflow. */
	count = 16;
	remainder = 0;
	do {
		remainder <<= 1;
		if (((unsigned char *)&dividend)[1] & 0x80)
			((unsigned char *)&remainder)[0]++;
		dividend <<= 1;
		if (remainder >= divisor) {
			remainder -= divisor;
			((unsigned char *)&dividend)[0]++;
		}
	} while (--count != 0);
	return dividend;
}
