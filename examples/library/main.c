/* The program half, linked with the library:
   tovra18 --chip=18F452 main.c scale.lib
   Both halves multiply longs: the one run-time routine in the library
   serves the program too. */
unsigned int scale(unsigned int value, unsigned char percent);
unsigned char average(unsigned char a, unsigned char b);

volatile unsigned int scaled;
volatile unsigned char mean;
volatile unsigned long big;

void main(void)
{
	scaled = scale(1000, 35);
	mean = average(200, 101);
	big = (unsigned long)scaled * 3000;
	for (;;)
		continue;
}
