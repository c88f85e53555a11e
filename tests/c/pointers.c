/* Structures reached through pointers, members of one and two bytes,
   arrays of structures, and calls through function pointers with and
   without arguments, and an element changed in place by a routine's
   result. */
struct point { unsigned char x; unsigned int y; signed char dx; };
struct point p, pts[3];
volatile unsigned int r1, r2;
volatile unsigned char r3, r4;
volatile signed char r5;
signed char sb[4] = {-1, 2, 0x7F, 4};
signed char sv = 9;

void set(struct point *q, unsigned char x, unsigned int y)
{
	q->x = x;
	q->y = y;
	q->dx = -3;
}
void step(struct point *q) { q->y += q->dx; q->x++; }
unsigned char twice(unsigned char v) { return v + v; }
unsigned char thrice(unsigned char v) { return v + v + v; }
unsigned char (*op)(unsigned char);
unsigned char (*const ops[2])(unsigned char) = {twice, thrice};

void main(void)
{
	unsigned char i;
	set(&p, 5, 600);
	step(&p);
	r1 = p.x + p.y;
	for (i = 0; i < 3; i++)
		set(&pts[i], i, 1000 * i);
	step(&pts[2]);
	r2 = pts[2].y + pts[1].x;
	op = twice;
	r3 = op(7);
	op = thrice;
	r3 += op(7);
	r4 = ops[1](4) + ops[0](3);
	{
		signed char *q = &sv;
		sb[r3 & 3] &= (signed char)(127 / ((*q & 63) | 1));
		r5 = sb[r3 & 3];
	}
	for (;;) continue;
}
