/* Unsigned word remainder. Dividing by zero gives the dividend. */
unsigned int __lwmod(unsigned int dividend, unsigned int divisor)
{
	unsigned int remainder;
	unsigned char count;

	if (divisor > dividend)
		return dividend;
	/* A divisor above the dividend's high byte goes into the dividend
	 * fewer than 100h times: it is lined up under the dividend's top bit
	 * and subtracted back down, one step a quotient bit, so a small
	 * quotient (as in Euclid's algorithm) takes a few steps. */
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
		do {
			if (dividend >= divisor)
				dividend -= divisor;
			divisor >>= 1;
		} while (--count != 0);
		return dividend;
	}
	/* A byte divisor at most the dividend's high byte, or zero (it
	 * subtracts nothing from every step and leaves the dividend):
	 * restoring division over the dividend's bits. */
	count = 16;
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
