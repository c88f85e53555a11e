/* A compiled stack of several banks: functions with large auto arrays,
   nested so that their blocks are live together, one block larger than a
   bank (so it straddles a boundary), a function called at two depths, and
   pointers to autos handed to a function whose own block lies in another
   bank. */
typedef unsigned char u8;
typedef unsigned int u16;
volatile u8 r[16];
volatile u16 k;

/* Sums n bytes through a pointer: the bytes lie in a caller's block. */
u16 sum_at(const u8 *p, u16 n)
{
	u8 seen[40];
	u16 i, s = 0;
	for (i = 0; i < 40; i++)
		seen[i] = (u8)i;
	for (i = 0; i < n; i++)
		s += p[i] + seen[i % 40];
	return s;
}

/* Writes through a pointer into a caller's array. */
void scale(u8 *p, u8 n, u8 by)
{
	u8 i;
	for (i = 0; i < n; i++)
		p[i] = (u8)(p[i] * by);
}

/* An inner leaf with a block of its own above its callers'. */
u16 leaf(u8 seed)
{
	u8 a[180];
	u16 i, s = 0;
	for (i = 0; i < 180; i++)
		a[i] = (u8)(i * seed + 1);
	a[k] ^= 0x55;
	for (i = 0; i < 180; i++)
		s += a[i];
	return s + sum_at(a, 180);
}

/* A block over one bank: its bytes on both sides of a boundary. */
u16 wide(u8 seed)
{
	u8 w[300];
	u16 i, s = 0;
	for (i = 0; i < 300; i++)
		w[i] = (u8)(i ^ seed);
	w[255] = 0xA5;
	w[256] = 0x5A;
	k = 299;
	s = w[k] + w[255] + w[256] + w[0];
	scale(w + 250, 10, 3);
	s += sum_at(w, 300);
	return s + leaf(seed);
}

u16 middle(u8 seed)
{
	u8 b[150];
	u16 i, s;
	for (i = 0; i < 150; i++)
		b[i] = (u8)(i + seed);
	s = leaf(seed + 1);
	scale(b, 150, 2);
	for (i = 0; i < 150; i++)
		s += b[i];
	return s;
}

void main(void)
{
	u8 m[100];
	u16 v, i;
	for (i = 0; i < 100; i++)
		m[i] = (u8)(3 * i);
	k = 7;
	v = middle(3);
	r[0] = (u8)v;
	r[1] = (u8)(v >> 8);
	v = leaf(5);
	r[2] = (u8)v;
	r[3] = (u8)(v >> 8);
	v = wide(9);
	r[4] = (u8)v;
	r[5] = (u8)(v >> 8);
	scale(m, 100, 5);
	v = sum_at(m, 100);
	r[6] = (u8)v;
	r[7] = (u8)(v >> 8);
	r[8] = m[0];
	r[9] = m[99];
	for (;;)
		continue;
}
