extern unsigned short long __ltdiv(unsigned short long dividend, unsigned short long divisor);

/* Signed 24-bit quotient, rounded toward zero. Dividing by zero gives -1
 * for a dividend of zero or more and 1 for a negative one (the unsigned
 * quotient 0FFFFFFh with the dividend's sign). */
short long __atdiv(short long dividend, short long divisor)
{
	unsigned short long a = dividend;
	unsigned short long b = divisor;
	unsigned short long quotient;

	if (dividend < 0)
		a = -a;
	if (divisor < 0)
		b = -b;
	quotient = __ltdiv(a, b);
	if ((dividend < 0) != (divisor < 0))
		quotient = -quotient;
	return quotient;
}
