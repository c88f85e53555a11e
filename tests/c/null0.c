/* The null pointer is address 0: no object may lie there, or a pointer to it
   compares equal to a null one. The compiled stack is too big for the
   access bank, so the access bank's first byte is free for a variable. */
static volatile long *g = 0;
static volatile long *const *pp = &g;
volatile unsigned char r[4];

void main(void)
{
	volatile unsigned char buf[200];
	buf[199] = 7;
	r[0] = (pp != 0);
	r[1] = ((void *)0 == pp);
	r[2] = (pp == &g);
	r[3] = buf[199];
	for (;;)
		continue;
}
