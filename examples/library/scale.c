/* The library half of a two-file project, built with
   tovra18 --chip=18F452 --output=lib scale.c */
unsigned int scale(unsigned int value, unsigned char percent)
{
	return (unsigned int)((unsigned long)value * percent / 100);
}

unsigned char average(unsigned char a, unsigned char b)
{
	return (unsigned char)(((unsigned int)a + b) / 2);
}
