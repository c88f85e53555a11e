/* A float routine's argument taken straight from a conversion routine's
   result: the two routines' areas must lie apart. */
volatile unsigned char ok[2];
float e;
int i;

void main(void)
{
	e = 7.5;
	i = 2;
	e -= i;
	ok[0] = e == 5.5;
	e = 7.5;
	e -= (int)e;
	ok[1] = e == 0.5;
	for (;;)
		continue;
}
