/* Copies the long at from to to: the value copied. */
unsigned long __llmov(unsigned long *to, const unsigned long *from)
{
	return *to = *from;
}
