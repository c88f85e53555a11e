/* Volatile objects read for their effect alone, in forms no rule reads
   that way: structures, const volatile objects in program memory, objects
   through pointers. Values wider than a word read through pointers that may
   reach RAM or program memory, stores through pointers read through
   pointers, calls whose results only a store nothing reads takes, a
   condition that is taken apart a step at a time, a volatile read that
   folding leaves first in a statement, structures copied from program
   memory through pointers, a member of a structure chosen from program
   memory or RAM, compound assignments through volatile pointers whose
   values are used, and & of two truth values, which folding makes &&. */
typedef unsigned char u8;
typedef unsigned int u16;
typedef unsigned long u32;
volatile u8 rb[10];
volatile u16 rw[6];
volatile u32 rl[10];

struct S0 { signed char f0; u32 f1; int f2; };
volatile struct S0 vs = {1, 0x12345678L, -3};
const volatile struct S0 cvs = {2, 0x9abcdef0L, 4};
const volatile u32 cvl = 0x01020304L;
const volatile u8 cvb = 0x5a;
volatile u32 vl = 7;
volatile u32 *pvl = &vl;
volatile struct S0 *pvs = &vs;
volatile u32 *const volatile cvp = &vl;
u8 which;

void for_effect(void)
{
	vs;
	cvs;
	cvl;
	cvb;
	*pvl;
	*pvs;
	cvp;
	rw[0] = (vs, 0x1234);
	rl[0] = (cvl, 0x55667788L);
	rb[0] = (cvb, *pvl, 9);
	rb[1] = vs.f0 + cvs.f0;
}

u32 ram_long = 0xdeadbeefL;
const u32 rom_long = 0x0badf00dL;
int ram_int = -2;
const int rom_int = 300;

/* Both kinds of target for each pointer: the value tells which. */
u32 long_at(const u32 *p) { return *p; }
void through_mixed(void)
{
	const u32 *p = which ? &ram_long : &rom_long;
	const int *q = which ? &ram_int : &rom_int;
	rl[1] = *p;
	rw[1] = *q;
	rl[2] = long_at(&ram_long) + long_at(&rom_long);
	p = which ? &rom_long : &ram_long;
	rl[3] = *p ^ 0x11111111L;
	rl[4] = (*p + (rb[2] = which)) >> 4;
}

/* A pointer read through a pointer that may also reach a const pointer
   (which lies in program memory) still points to RAM. */
u32 g13 = 1, g33 = 2;
u32 *g112 = &g33;
u32 *const volatile g12 = &g13;
u32 *const volatile *g111 = &g112;
void through_two(void)
{
	if (which)
		g111 = &g12;
	rl[6] ^= (**g111 = rl[0] ^ 3);
	**g111 += 5;
	rl[7] = g13 + (g33 << 8);
}

/* Stores nothing reads, of values that convert or combine calls'
   results: the calls are made all the same. */
u8 calls;
u8 count8(u8 a) { calls++; return a + 1; }
u16 count16(u16 a) { calls += 2; return a + 1; }
void dead_stores(void)
{
	long l = 2;
	rw[2] = (u16)l;
	if (which)
		l = count8(rb[0]);
	if (which)
		l = count8(1) + count16(2);
	if (which)
		l = count16(3) | vl;
	l = 7;
	rb[3] = calls + (u8)l;
}

/* A step through a pointer whose value is tested, over a chain of
   compares and a store through another pointer: each step of taking it
   apart takes out one operand. */
u16 g62 = 7;
long g1 = 5, *g2 = &g1;
u8 g3 = 9;
int r = 1;
void many_steps(long p26, u32 p24)
{
	u16 *l61 = &g62;
	long **l45 = &g2;
	u8 *l59 = &g3;
	u32 l50 = 6;
	r &= ((*l61 &= (**l45 >= ((((*l59 = ((l50 != (l50 & 1)) ^ 0x77)) ^ 0x4A) == p24) != p26))) && which);
	rw[3] = g62 + (r << 8);
	rb[4] = g3;
}

/* vl || constant folds to a read of vl and then 1, which goes before the
   assignment it was inside. */
#define S32(x) ((x) & 0x80000000ul ? (long)(-(long)(~(x) & 0x7FFFFFFFul) - 1) : (long)((x) & 0x7FFFFFFFul))
long read_first(void)
{
	long t = 1;
	if (which)
		t = 3;
	else
		t = S32((u32)(long)(vl || (long)-32768l) + (u32)g1);
	rb[5] = (u8)t;
	return -1;
}

/* Elements of a const array of structures, and one through a pointer. */
const struct S0 ks[3] = {{1, 0x10203L, 3}, {4, 0x40506L, -6}, {7, 0x70809L, 9}};
struct S0 ko;
void from_code(void)
{
	const struct S0 *p = &ks[2];
	ko = ks[which + 1];
	rb[6] = ko.f0 + (u8)ko.f2;
	rl[8] = ko.f1;
	ko = *p;
	rl[9] = ko.f1 + ko.f2;
}

/* The chosen structure is taken into a temporary, in RAM, and the member
   read from there. */
struct S0 rs = {5, 0x50607L, 11};
void chosen_member(void)
{
	rw[4] = (which ? ks[0] : rs).f2;
	rw[5] = (which ? rs : ks[1]).f2;
}

/* The pointer is read once, and the object reached through what was read. */
long vt = 0x1234L;
long *volatile vpl = &vt;
u32 *volatile vpu = &g13;
void through_volatile(void)
{
	rb[7] = (*vpl |= rl[0]) >= 0x6A2E1F71L;
	rl[1] = (*vpu ^= 0x55L) + 1;
	rb[8] = (u8)((*vpl &= 0xff0L) | 0x3);
}

/* Both truth values are worked out: the right one does nothing. */
int g226 = 5, g249;
long l269 = 3;
signed char g127 = 2;
signed char div8(signed char a, signed char b) { return b ? a / b : a; }
void both_truths(void)
{
	int *l_270 = &g249;
	rb[9] = div8(+((g226 != ((*l_270 = (l269 > g127)) <= -1)) & (count8(which + 250) > 251U)), 0x3A) + g249;
}

void main(void)
{
	for_effect();
	which = 0;
	through_mixed();
	through_two();
	dead_stores();
	many_steps(1, 2);
	read_first();
	from_code();
	chosen_member();
	through_volatile();
	both_truths();
	rl[5] = rl[1];
	which = 1;
	through_mixed();
	through_two();
	dead_stores();
	chosen_member();
	both_truths();
	for (;;)
		;
}
