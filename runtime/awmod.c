extern unsigned int __lwmod(unsigned int dividend, unsigned int divisor);

/* Signed word remainder, with the dividend's sign. Dividing by zero gives
 * the dividend. */
int __awmod(int dividend, int divisor)
{
	unsigned int a = dividend, b = divisor;
	unsigned char negative = 0;

	/* Negated in place, as __awdiv. */
	if (dividend < 0) {
		a = ~a;
		a++;
		negative = 1;
	}
	if (divisor < 0) {
		b = ~b;
		b++;
	}
	a = __lwmod(a, b);
	if (negative) {
		a = ~a;
		a++;
	}
	return a;
}
