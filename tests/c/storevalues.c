/* The value of an assignment read through a conversion or a compare: the
   store is made, and its target read back in the narrower or truth type. */
volatile signed char c[6];
volatile unsigned char b[6];
volatile int wr[2];
long l, g = 0x12345681L, *p = &l;
unsigned int w, wg = 0x1280, *q = &w;
unsigned char u, ug = 0x9c;

/* Volatile locals that are only written: each store is made. */
void writes_only(void)
{
	volatile int v = 3;
	unsigned int * volatile vp = &w;
	v = 4;
	vp = 0;
}

void main(void)
{
	writes_only();
	c[0] = (l = g);
	c[1] = (*p = g + 1);
	c[2] = (w = wg);
	c[3] = (*q = wg + 2);
	c[4] = (signed char)(u = ug);
	c[5] = (unsigned char)(l = -g);
	b[0] = (l = g) != 0;
	b[1] = ((l = 0) != 0) + 1;
	b[2] = (w = wg) > 0x1000;
	b[3] = (*p = 5) == 5;
	b[4] = !(u = 0);
	b[5] = (*q = 3) < 2;
	wr[0] = (int)(l = g);
	wr[1] = (unsigned char)(w = 0x1ff) + 1;
	for (;;)
		continue;
}
