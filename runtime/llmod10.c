extern unsigned long __lldiv10(unsigned long x);

/* Unsigned long remainder of a division by ten. It is below ten, so the low
 * bytes of the dividend and of ten times the quotient give it. */
unsigned long __llmod10(unsigned long x)
{
	unsigned char low = (unsigned char)__lldiv10(x);

	return (unsigned char)((unsigned char)x - (unsigned char)(low * 10));
}
