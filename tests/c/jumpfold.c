/* A condition of truth values joined by & or |, one of them a logical
   operator with a store inside: the store goes first as a statement of
   its own, and the jump on what is left is taken apart again. */
long g29, *gp;
unsigned char g206;
volatile unsigned char r[8];

static int both(void)
{
	if ((g206 > 3) & (((gp = &g29) != 0 && g29) != 5))
		return 1;
	return 2;
}

static int either(void)
{
	if ((g206 > 3) | (((gp = &g29) == 0 || g29) == 5))
		return 3;
	return 4;
}

static int neither(long v)
{
	if (!((g206 < 9) & (((gp = &v) != &g29 && v) != 2)))
		return 5;
	return 6;
}

void main(void)
{
	g206 = 7;
	g29 = 0;
	r[0] = both();
	r[1] = either();
	g206 = 2;
	r[2] = both();
	r[3] = either();
	r[4] = neither(0);
	g206 = 12;
	r[5] = neither(3);
	r[6] = gp == &g29;
	r[7] = g206;
	for (;;)
		continue;
}
