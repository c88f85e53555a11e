/* A compiled stack of several banks that does not fit below an object at a
   fixed address: it goes to the free memory above that object. */
typedef unsigned char u8;
typedef unsigned int u16;
volatile u8 r[3];
volatile u8 gate @ 0x180;

u16 inner(u8 seed)
{
	u8 a[200];
	u16 i, s = 0;
	for (i = 0; i < 200; i++)
		a[i] = (u8)(i * seed);
	for (i = 0; i < 200; i++)
		s += a[i];
	return s;
}

u16 outer(u8 seed)
{
	u8 b[200];
	u16 i, s;
	for (i = 0; i < 200; i++)
		b[i] = (u8)(i + seed);
	s = inner(seed + 1);
	for (i = 0; i < 200; i++)
		s += b[i];
	return s;
}

void main(void)
{
	u16 v;
	gate = 0x3C;
	v = outer(3);
	r[0] = (u8)v;
	r[1] = (u8)(v >> 8);
	r[2] = gate;
	for (;;)
		continue;
}
