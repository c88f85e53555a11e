/* A compiled stack of several banks with calls through a pointer: the
   pointer's targets take their arguments in one area, though one of them
   is also called directly from deeper in the graph (which alone would put
   its block higher than the other's). */
typedef unsigned char u8;
typedef unsigned int u16;
volatile u8 r[8];

u16 twice(u16 v)
{
	u8 t[10];
	t[v & 7] = 1;
	return v * 2 + t[v & 7];
}

u16 plus(u16 v)
{
	u8 t[20];
	t[v & 7] = 3;
	return v + 5 + t[v & 7];
}

u16 (*op)(u16);

u16 deeper(u16 v)
{
	u8 d[60];
	d[v & 15] = 2;
	return plus(v + d[v & 15]);
}

u16 big(u8 seed)
{
	u8 a[200];
	u16 i, s = 0;
	for (i = 0; i < 200; i++)
		a[i] = (u8)(i + seed);
	for (i = 0; i < 200; i++)
		s += a[i];
	return s + op(seed) + deeper(seed);
}

void main(void)
{
	u8 m[150];
	u16 v, i;
	for (i = 0; i < 150; i++)
		m[i] = (u8)i;
	op = twice;
	v = big(3) + m[149];
	r[0] = (u8)v;
	r[1] = (u8)(v >> 8);
	op = plus;
	v = big(4);
	r[2] = (u8)v;
	r[3] = (u8)(v >> 8);
	v = op(100);
	r[4] = (u8)v;
	r[5] = (u8)(v >> 8);
	op = twice;
	v = op(7);
	r[6] = (u8)v;
	r[7] = (u8)(v >> 8);
	for (;;)
		continue;
}
