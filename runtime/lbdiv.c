/* Unsigned byte quotient. Dividing by zero gives 0FFh. */
unsigned char __lbdiv(unsigned char dividend, unsigned char divisor)
{
	unsigned int pair;
	unsigned char count = 8;

	if (divisor == 0)
		return 0xFF;
	/* A divisor with the top bit set goes into the dividend once at
	 * most. Below it the remainder stays under half the range, so its
	 * doubling cannot overflow. */
	if (divisor & 0x80)
		return dividend >= divisor;
	/* Restoring division one bit at a time in a word of remainder (high
	 * byte) and dividend (low byte): one shift moves a dividend bit into
	 * the remainder and makes room for the quotient's bit, which goes in
	 * as an increment. */
	pair = dividend;
	do {
		pair <<= 1;
		if (((unsigned char *)&pair)[1] >= divisor) {
			((unsigned char *)&pair)[1] -= divisor;
			((unsigned char *)&pair)[0]++;
		}
	} while (--count != 0);
	return pair;
}
