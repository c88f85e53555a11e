extern unsigned short long __ltdiv(unsigned short long dividend, unsigned short long divisor);

/* Signed 24-bit quotient, rounded toward zero. Dividing by zero gives -1
 * for a dividend of zero or more and 1 for a negative one (the unsigned
 * quotient 0FFFFFFh with the dividend's sign). */
short long __atdiv(short long dividend, short long divisor)
{
	unsigned short long a = dividend, b = divisor;
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
	a = __ltdiv(a, b);
	if (negative) {
		a = ~a;
		a++;
	}
	return a;
}
