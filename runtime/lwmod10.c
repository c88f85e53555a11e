extern unsigned int __lwdiv10(unsigned int x);

/* Unsigned word remainder of a division by ten. It is below ten, so the low
 * bytes of the dividend and of ten times the quotient give it. */
unsigned int __lwmod10(unsigned int x)
{
	unsigned char low = (unsigned char)__lwdiv10(x);

	return (unsigned char)((unsigned char)x - (unsigned char)(low * 10));
}
