/* Structures: assigned whole, passed by address, returned by value,
   arrays of them with member arrays; a two-dimensional array; ?: && ||
   as values; do/while; a switch on a word member. */
typedef unsigned char u8;
typedef unsigned int u16;
struct rec { u8 tag; u16 val; long big; u8 name[4]; };
struct rec a, b, arr[3];
volatile u8 r8[8];
volatile u16 r16[2];
volatile long rl;
struct rec make(u8 t, u16 v) { struct rec x; x.tag = t; x.val = v; x.big = -7; x.name[0] = 'x'; return x; }
u16 total(struct rec *p) { return p->tag + p->val + (u16)p->big; }
u8 grid[3][4];
void main(void)
{
	u8 i, j;
	a.tag = 3; a.val = 1000; a.big = 123456L; a.name[2] = 'q';
	b = a;
	arr[1] = b;
	arr[2] = make(9, 99);
	r16[0] = total(&arr[1]);
	r16[1] = total(&arr[2]);
	r8[0] = arr[1].name[2];
	r8[1] = arr[2].name[0];
	for (i = 0; i < 3; i++)
		for (j = 0; j < 4; j++)
			grid[i][j] = i * 4 + j;
	r8[2] = grid[2][3] + grid[1][1];
	r8[3] = a.tag > 2 ? 10 : 20;
	r8[4] = (a.tag == 3) && (a.val > 999);
	r8[5] = (a.tag == 4) || (a.val < 999);
	i = 0;
	do { i += 3; } while (i < 10);
	r8[6] = i;
	switch (a.val) { case 1000: r8[7] = 1; break; case 2000: r8[7] = 2; break; default: r8[7] = 3; }
	rl = arr[2].big;
	for (;;) continue;
}
