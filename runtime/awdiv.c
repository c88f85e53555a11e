extern unsigned int __lwdiv(unsigned int dividend, unsigned int divisor);

/* Signed word quotient, rounded toward zero. Dividing by zero gives -1
 * for a dividend of zero or more and 1 for a negative one (the unsigned
 * quotient 0FFFFh with the dividend's sign). */
int __awdiv(int dividend, int divisor)
{
	unsigned int a = dividend;
	unsigned int b = divisor;
	unsigned int quotient;

	if (dividend < 0)
		a = -a;
	if (divisor < 0)
		b = -b;
	quotient = __lwdiv(a, b);
	if ((dividend < 0) != (divisor < 0))
		quotient = -quotient;
	return quotient;
}
