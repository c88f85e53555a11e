extern unsigned long __llmod(unsigned long dividend, unsigned long divisor);

/* Signed long remainder, with the dividend's sign. Dividing by zero gives
 * the dividend. */
long __almod(long dividend, long divisor)
{
	unsigned long a = dividend, b = divisor;
	unsigned char negative = 0;

	/* Negated in place, as __aldiv. */
	if (dividend < 0) {
		a = ~a;
		a++;
		negative = 1;
	}
	if (divisor < 0) {
		b = ~b;
		b++;
	}
	a = __llmod(a, b);
	if (negative) {
		a = ~a;
		a++;
	}
	return a;
}
