/* *p *= v for longs, signed or unsigned: the new *p. */
unsigned long __aslmul(unsigned long *p, unsigned long v)
{
	return *p = *p * v;
}
