extern unsigned int __lwmod(unsigned int dividend, unsigned int divisor);

/* Signed word remainder, with the dividend's sign. Dividing by zero gives
 * the dividend. */
int __awmod(int dividend, int divisor)
{
	unsigned int a = dividend;
	unsigned int b = divisor;
	unsigned int remainder;

	if (dividend < 0)
		a = -a;
	if (divisor < 0)
		b = -b;
	remainder = __lwmod(a, b);
	if (dividend < 0)
		remainder = -remainder;
	return remainder;
}
