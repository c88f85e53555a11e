/* Unsigned byte quotient. Dividing by zero gives 0FFh. */
unsigned char __lbdiv(unsigned char dividend, unsigned char divisor)
{
	unsigned char remainder;
	unsigned char count = 8;

	if (divisor == 0)
		return 0xFF;
	/* A divisor with the top bit set goes into the dividend once at
	 * most. Below it the remainder stays under half the range, so its
	 * doubling cannot overflow. */
	if (((unsigned char *)&divisor)[0] & 0x80)
		return dividend >= divisor;
	/* Restoring division one bit at a time, the quotient's bits shifted
	 * into the dividend as its own bits leave for the remainder. */
	remainder = 0;
	do {
		remainder <<= 1;
		if (((unsigned char *)&dividend)[0] & 0x80)
			((unsigned char *)&remainder)[0] |= 1;
		dividend <<= 1;
		if (remainder >= divisor) {
			remainder -= divisor;
			((unsigned char *)&dividend)[0] |= 1;
		}
	} while (--count != 0);
	return dividend;
}
