/* Bit-fields of every width, at every offset within their byte: stored
   from constants (cut to their width) and from variables, read, updated
   by |= &= ^= += -= ++ --, tested, compared, reached through pointers;
   the bits around each field keep their values. */
typedef unsigned char u8;
struct flags {
	u8 lo : 3;
	u8 one : 1;
	u8 hi : 4;
	u8 whole : 8;
	u8 f5 : 5;
	u8 f2 : 2;
	u8 b7 : 1;
	u8 w6 : 6;
};
volatile struct flags s;
struct flags t, *p;
volatile u8 r[20];
u8 v, k;

u8 sum(struct flags *q) { return q->lo + q->hi + q->f5 + q->w6; }

void main(void)
{
	s.lo = 5; s.one = 1; s.hi = 9; s.whole = 0xA5; s.f5 = 33; s.f2 = 2; s.b7 = 0; s.w6 = 63;
	t = s;
	r[0] = s.lo; r[1] = s.hi; r[2] = s.f5; r[3] = s.w6;
	v = 0xFF; s.f2 = v; s.lo = v; r[4] = s.f2 + s.lo;
	v = 0x12; t.hi = v; t.w6 = v + 50;
	s.hi |= 6; s.f5 &= 0x1C; s.w6 ^= 0x21; s.lo += 4; s.f2 -= 3;
	k = 3;
	t.lo |= k; t.f5 &= k + 4; t.hi ^= k; t.w6 += k * 20; t.f2 -= k;
	t.one++; t.b7--; s.hi++; s.f5--;
	r[5] = s.one ? 10 : 20;
	r[6] = !t.b7 ? 30 : 40;
	if (s.hi == 0) r[7] = 1; else if (s.hi == 15) r[7] = 2; else r[7] = 3;
	if (t.f5 != 4) r[8] = 4;
	r[9] = s.lo > 2;
	r[10] = t.w6 < 10;
	p = &t;
	p->lo = 6; p->f5 = p->lo + 1; p->hi += 2;
	r[11] = p->lo + p->f5;
	r[12] = sum(p);
	r[13] = sum((struct flags *)&s);
	r[14] = s.whole + t.whole;
	k = 0;
	while (!t.one && k < 10) { k++; t.one = k == 3; }
	r[15] = k;
	r[16] = (u8)(t.hi * 16 + t.lo);
	for (;;) continue;
}
