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

/* Local arrays stored to and never read: the stores may go, but not the
   effects of their indices. */
volatile unsigned char steps[2];
unsigned char bump(void) { return steps[1]++ & 1; }
void unread_arrays(void)
{
	unsigned long a[2][2] = {{1, 2}, {3, 4}};
	unsigned int b[2][2], c1[4];
	a[0][0] |= g;
	b[0][0] = w;
	c1[steps[0]++ & 3] = 3;
	c1[bump()] = 4;
}

void main(void)
{
	writes_only();
	unread_arrays();
	unread_arrays();
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
