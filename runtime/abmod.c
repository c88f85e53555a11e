extern unsigned char __lbmod(unsigned char dividend, unsigned char divisor);

/* Signed byte remainder, with the dividend's sign. Dividing by zero gives
 * the dividend. */
signed char __abmod(signed char dividend, signed char divisor)
{
	unsigned char a = dividend;
	unsigned char b = divisor;
	unsigned char remainder;

	if (dividend < 0)
		a = -a;
	if (divisor < 0)
		b = -b;
	remainder = __lbmod(a, b);
	if (dividend < 0)
		remainder = -remainder;
	return remainder;
}
