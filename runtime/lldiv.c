/* Unsigned long quotient. Dividing by zero gives 0FFFFFFFFh. */
unsigned long __lldiv(unsigned long dividend, unsigned long divisor)
{
	unsigned long remainder;
	unsigned char count = 32;

	if (divisor == 0)
		return 0xFFFFFFFFUL;
	/* A divisor with the top bit set goes into the dividend once at
	 * most. Below it the remainder stays under half the range, so its
	 * doubling cannot overflow. */
	if (((unsigned char *)&divisor)[3] & 0x80)
		return dividend >= divisor;
	/* Zero bytes at the dividend's top give zero quotient bits and leave
	 * the remainder 0: they go in one move each. */
	while (((unsigned char *)&dividend)[3] == 0 && count != 8) {
		dividend <<= 8;
		count -= 8;
	}
	/* Restoring division one bit at a time, the quotient's bits shifted
	 * into the dividend as its own bits leave for the remainder. A bit
	 * goes in where a shift left bit 0 clear, so an increment sets it in
	 * one instruction. */
	remainder = 0;
	do {
		remainder <<= 1;
		if (((unsigned char *)&dividend)[3] & 0x80)
			((unsigned char *)&remainder)[0]++;
		dividend <<= 1;
		if (remainder >= divisor) {
			remainder -= divisor;
			((unsigned char *)&dividend)[0]++;
		}
	} while (--count != 0);
	return dividend;
}
