extern unsigned short long __ltmod(unsigned short long dividend, unsigned short long divisor);

/* Signed 24-bit remainder, with the dividend's sign. Dividing by zero
 * gives the dividend. */
short long __atmod(short long dividend, short long divisor)
{
	unsigned short long a = dividend, b = divisor;
	unsigned char negative = 0;

	/* Negated in place, as __atdiv. */
	if (dividend < 0) {
		a = ~a;
		a++;
		negative = 1;
	}
	if (divisor < 0) {
		b = ~b;
		b++;
	}
	a = __ltmod(a, b);
	if (negative) {
		a = ~a;
		a++;
	}
	return a;
}
