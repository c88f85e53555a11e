extern unsigned char __lbdiv(unsigned char dividend, unsigned char divisor);

/* Signed byte quotient, rounded toward zero. Dividing by zero gives -1
 * for a dividend of zero or more and 1 for a negative one (the unsigned
 * quotient 0FFh with the dividend's sign). */
signed char __abdiv(signed char dividend, signed char divisor)
{
	unsigned char a = dividend;
	unsigned char b = divisor;
	unsigned char quotient;

	if (dividend < 0)
		a = -a;
	if (divisor < 0)
		b = -b;
	quotient = __lbdiv(a, b);
	if ((dividend < 0) != (divisor < 0))
		quotient = -quotient;
	return quotient;
}
