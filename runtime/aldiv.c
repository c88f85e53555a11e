extern unsigned long __lldiv(unsigned long dividend, unsigned long divisor);

/* Signed long quotient, rounded toward zero. Dividing by zero gives -1
 * for a dividend of zero or more and 1 for a negative one (the unsigned
 * quotient 0FFFFFFFFh with the dividend's sign). */
long __aldiv(long dividend, long divisor)
{
	unsigned long a = dividend;
	unsigned long b = divisor;
	unsigned long quotient;

	if (dividend < 0)
		a = -a;
	if (divisor < 0)
		b = -b;
	quotient = __lldiv(a, b);
	if ((dividend < 0) != (divisor < 0))
		quotient = -quotient;
	return quotient;
}
