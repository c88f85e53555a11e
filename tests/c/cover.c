/* Shapes once refused for want of a code pattern: pointers returned and
   stored into pointer arrays, initialised automatic arrays, structures and
   strings, chained assignment, an assignment as a condition, volatile and
   const objects, rotates written back into their own variable, pointers
   to const pointers, truth values as arguments. */
/* The C library's own routines, declared here so the host build takes
   its own. */
void *memset(void *s, int c, unsigned int n);
void *memcpy(void *to, const void *from, unsigned int n);
char *strcpy(char *to, const char *from);
char *strchr(const char *s, int c);
typedef unsigned char u8;
typedef unsigned int u16;
typedef unsigned long u32;
volatile u8 rb[32];
volatile u16 rw[20];
volatile u32 rl[13];

int *same(int *s) { return s; }
struct fd { int a; int b; } f;
struct fd *addr_f(void) { return &f; }
int g, h;
int *p[2];
int *q = &h;
void store_ptrs(void) { p[0] = &g; p[1] = q; }
int autos(void)
{
	int a[4] = {1, 2, 3, 4};
	char t[4] = {'a', 'b', 0, 1};
	char s[8] = "SDCC\x00\x01";
	struct fd v = {5, 6};
	return a[3] + t[1] + s[3] + s[5] + v.b + t[3];
}
int e, d;
void chain(void) { e = d = 1; }
int digits(unsigned ui) { int n = 0; while ((ui /= 10) != 0) n++; return n; }
volatile signed char r;
void vadd(void) { r += 0xab00; }
int dec_pos(long a) { return (--a > 0); }
char *ps = "ab";
char second(void) { return ps[1]; }
int * volatile pv = &g;
int * volatile *l;
void addr_volatile(void) { l = &pv; }
struct S { int x, y; };
const struct S k = {1, 2};
struct big { int a, b, c; };
const struct big kb = {7, 8, 9};
struct big gb;
struct S gs;
void from_const(void) { gs = k; gb = kb; }
struct T { int s; int t; };
const volatile struct T cv = {3, 4};
int member(void) { return cv.t; }
u8 x8 = 0x81; u16 x16 = 0x8001; u32 x32 = 0x80000001;
void rotate(void)
{
	x8 = (u8)((x8 >> 1) | (x8 << 7));
	x16 = (u16)((x16 >> 1) | (x16 << 15));
	x32 = (x32 >> 1) | (x32 << 31);
}
void rotate_more(void)
{
	x8 = (u8)((x8 << 3) | (x8 >> 5));
	x16 = (u16)((x16 << 4) | (x16 >> 12));
	x32 = (x32 << 9) | (x32 >> 23);
}
u32 lg = 3; u32 *lp = &lg; u16 wg = 0x0f0f; u16 *wp = &wg;
volatile u32 vlg = 0x100; volatile u8 vbg = 0x81;
volatile struct fd vs = {1, 2};
volatile u32 * const vlp = &vlg;
/* Compound assignments whose value is used, through pointers and into
   volatile objects, and volatile objects read for their effect alone. */
void compound_values(void)
{
	rl[2] = (*lp |= 0x50000L);
	rw[12] = (*wp &= 0x3c3c) + 1;
	rb[20] = (*lp ^= 17525) != 0;
	rl[3] = (vlg += 0x10001L);
	rb[21] = (vbg >>= 3);
	rw[13] = (*vlp -= 2) == 0x10100L - 1;
	vlg;
	vs;
}
/* A returned sequence reads its volatile object, then returns the last value. */
volatile u16 vwg = 5;
u16 seq_word(void) { return (vwg, 0x1234); }
u32 seq_long(void) { return (vlg, 0x12345678L); }
/* Three-byte objects through pointers and elements, steps whose value
   is tested, and float steps through a pointer and of a volatile. The host
   has no three-byte type: the values stay below 2^24. */
#ifdef __GNUC__
typedef unsigned long u24;
typedef unsigned char bit_t;
#else
typedef unsigned short long u24;
typedef bit bit_t;
#endif
struct t3 { u8 pad; u24 m; } t3s, *t3p = &t3s;
u24 t3a[3]; u8 t3i = 1;
volatile bit_t vbit;
bit_t bg0, bg1;
const u8 kro[4] = {9, 8, 7, 6};
const u8 *kpa[3];
float fl = 6.25; float *flp = &fl; volatile float vfl = 2.5;
/* A volatile automatic that is only stored to keeps its place. */
void store_only(void) { int * volatile sp = &g; sp = q; }
/* An element of a two-dimensional automatic array indexed by loop counters. */
void grid(void)
{
	signed char g2[2][1];
	int i, j;
	for (i = 0; i < 2; i++)
		for (j = 0; j < 1; j++)
			g2[i][j] = (signed char)(0xAB + i);
	rb[28] = g2[0][0]; rb[29] = g2[1][0];
}
/* A store through a pointer as an argument, beside a pointer argument. */
u32 cg17, cg5 = 5;
u32 sum2(u32 a, const u32 *b) { return a + *b; }
void store_argument(void)
{
	u32 *p17 = &cg17;
	rl[11] = sum2((*p17 = 0x12345L), &cg5);
	rl[12] = cg17;
}
char sbuf[4];
void steps(void)
{
	float v;
	char *bp = &sbuf[2], **bpp = &bp;
	rb[27] = ((*bpp) = bp) != &sbuf[1];
	t3p->m = 0x10203L; t3a[t3i] = 0x30201L;
	t3p->m += 0x10101L;
	t3a[t3i] ^= t3p->m;
	++t3p->m;
	rl[5] = t3p->m + t3a[1];
	if (t3a[t3i]++) rb[23] = 1;
	rl[6] = t3a[t3i];
	rl[7] = (t3p->m -= 5);
	t3p->m <<= 3;
	rl[8] = t3p->m;
	rl[9] = (t3a[t3i] >>= 2);
	rl[10] = (*lp <<= 5) + 1;
	*lp >>= t3i;
	rl[10] ^= *lp;
	vbit;
	bg0 = 1;
	if (bg0 &= bg1) rb[30] = 1;
	rb[30] |= (bg1 |= 1) << 1;
	rb[31] = (bg0 ^= 1) + 2;
	kpa[t3i] = &kro[1];
	rb[24] = kpa[t3i][1];
	rb[25] = *kpa[t3i];
	kpa[t3i] += t3i;
	rb[26] = *kpa[t3i];
	v = (*flp)--;
	rw[16] = (u16)(v * 4); rw[17] = (u16)(fl * 4);
	v = vfl++;
	rw[18] = (u16)(v * 4); rw[19] = (u16)(vfl * 4);
}
/* Null pointers to const pointers, one of them set later: what is read
   through it is a pointer to RAM, written through. */
u32 cg9;
u32 *const cgp = &cg9;
volatile u8 rc[6];
void const_pointers(void)
{
	u32 *const *pp = (u32 *const *)0;
	u32 *const *pn = 0;
	rc[0] = pp == 0;
	rc[1] = pn == (u32 *const *)0;
	if (rc[0])
		pp = &cgp;
	**pp = 0x5A4B3CL;
	rc[2] = (u8)cg9;
	rc[3] = (u8)(**pp >> 16) + (pn != 0);
}
/* Calls for their effect whose argument is & or | of two truth values,
   one a compare of another call's long value. */
volatile long vl182 = 182;
u8 seen;
u8 keep(u8 a, u16 b) { seen = (u8)(a + b); return (u8)(a >> b); }
long same_long(long a) { return a; }
void truths(void)
{
	keep((rc[0] == 1) & (182 == same_long(vl182)), 5);
	rc[4] = seen;
	keep((rc[1] == 0) | (183 == same_long(vl182)), 2);
	rc[5] = seen;
}
char buf[8], buf2[8];
char *cp[2];
char *cq;
void main(void)
{
	g = 7; h = 9;
	rw[0] = *same(&g);
	addr_f()->b = 11;
	rw[1] = f.b;
	store_ptrs();
	rw[2] = *p[0] + *p[1];
	rw[3] = autos();
	chain();
	rb[0] = e; rb[1] = d;
	rb[2] = digits(12345u);
	r = 5; vadd(); rb[3] = r;
	rb[4] = dec_pos(1L); rb[5] = dec_pos(2L); rb[6] = dec_pos(-5L);
	rb[7] = second();
	addr_volatile(); rw[4] = **l;
	from_const(); rw[5] = gs.x; rw[6] = gs.y;
	rw[7] = member();
	rotate();
	rb[8] = x8; rw[8] = x16; rl[0] = x32;
	rotate_more();
	rb[17] = x8; rw[9] = x16; rl[1] = x32;
	rw[10] = gb.a + gb.c;
	p[1] = p[0];
	rw[11] = *p[1];
	memset(buf, 'z', 5);
	rb[9] = buf[4]; rb[10] = buf[5];
	*(char *)memcpy(buf2, "hello", 6) = 'j';
	rb[11] = buf2[0]; rb[12] = buf2[4];
	rb[13] = strcpy(buf, "abc")[2];
	rb[14] = *strchr(buf2, 'l');
	rb[15] = strchr(buf2, 'q') == 0;
	rb[16] = strchr(buf2, 'l') - buf2;
	cp[1] = buf2;
	cq = cp[1] + 2;
	rb[18] = *cq;
	rb[19] = *(cp[1] + 3);
	compound_values();
	rw[14] = wg; rb[22] = vs.b;
	rw[15] = seq_word(); rl[4] = seq_long();
	steps();
	store_only();
	grid();
	store_argument();
	const_pointers();
	truths();
	for (;;) continue;
}
