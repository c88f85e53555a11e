extern unsigned long __lldiv(unsigned long dividend, unsigned long divisor);

/* Signed long quotient, rounded toward zero. Dividing by zero gives -1
 * for a dividend of zero or more and 1 for a negative one (the unsigned
 * quotient 0FFFFFFFFh with the dividend's sign). */
long __aldiv(long dividend, long divisor)
{
	unsigned long a = dividend, b = divisor;
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
	a = __lldiv(a, b);
	if (negative) {
		a = ~a;
		a++;
	}
	return a;
}
