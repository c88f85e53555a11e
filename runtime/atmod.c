extern unsigned short long __ltmod(unsigned short long dividend, unsigned short long divisor);

/* Signed 24-bit remainder, with the dividend's sign. Dividing by zero
 * gives the dividend. */
short long __atmod(short long dividend, short long divisor)
{
	unsigned short long a = dividend;
	unsigned short long b = divisor;
	unsigned short long remainder;

	if (dividend < 0)
		a = -a;
	if (divisor < 0)
		b = -b;
	remainder = __ltmod(a, b);
	if (dividend < 0)
		remainder = -remainder;
	return remainder;
}
