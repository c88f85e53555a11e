extern unsigned char __lbdiv(unsigned char dividend, unsigned char divisor);

/* Signed byte quotient, rounded toward zero. Dividing by zero gives -1
 * for a dividend of zero or more and 1 for a negative one (the unsigned
 * quotient 0FFh with the dividend's sign). */
signed char __abdiv(signed char dividend, signed char divisor)
{
	unsigned char a = dividend, b = divisor;
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
	a = __lbdiv(a, b);
	if (negative) {
		a = ~a;
		a++;
	}
	return a;
}
