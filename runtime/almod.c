extern unsigned long __llmod(unsigned long dividend, unsigned long divisor);

/* Signed long remainder, with the dividend's sign. Dividing by zero gives
 * the dividend. */
long __almod(long dividend, long divisor)
{
	unsigned long a = dividend;
	unsigned long b = divisor;
	unsigned long remainder;

	if (dividend < 0)
		a = -a;
	if (divisor < 0)
		b = -b;
	remainder = __llmod(a, b);
	if (dividend < 0)
		remainder = -remainder;
	return remainder;
}
