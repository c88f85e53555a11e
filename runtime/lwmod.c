/* Unsigned word remainder. Dividing by zero gives the dividend. */
unsigned int __lwmod(unsigned int dividend, unsigned int divisor)
{
	unsigned int remainder;
	unsigned char count;

	if (divisor > dividend)
		return dividend;
	/* A divisor of 100h or more goes into the dividend fewer than 100h
	 * times: it is lined up under the dividend's top bit and subtracted
	 * back down, one step a quotient bit, so a small quotient (as in
	 * Euclid's algorithm) takes a few steps. */
	if (((unsigned char *)&divisor)[1] != 0) {
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
	/* A byte divisor, zero included (it subtracts nothing from every step
	 * and leaves the dividend): restoring division over the dividend's
	 * bits. Zero bytes at its top give zero quotient bits and leave the
	 * remainder 0: they go in one move each. */
	count = 16;
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
