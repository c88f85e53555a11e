extern unsigned int __lwdiv(unsigned int dividend, unsigned int divisor);

/* Signed word quotient, rounded toward zero. Dividing by zero gives -1
 * for a dividend of zero or more and 1 for a negative one (the unsigned
 * quotient 0FFFFh with the dividend's sign). */
int __awdiv(int dividend, int divisor)
{
	unsigned int a = dividend, b = divisor;
	unsigned char negative = 0;

	/* Negated in place (complement and increment): an assignment of
	 * the negation would go through a copy. */
	if (dividend < 0) {
		a = ~a;
		a++;
		negative = 1;
	}
	if (divisor < 0) {
		b = ~b;
		b++;
		negative ^= 1;
	}
	a = __lwdiv(a, b);
	if (negative) {
		a = ~a;
		a++;
	}
	return a;
}
