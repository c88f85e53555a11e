/* Pointers stepped in place by variables: into data memory, into program
   memory and to either, by += and -= and by p = p + i, with char, int and
   long steps signed and unsigned, on pointers that are globals, locals,
   parameters and structure members. What the pointers
   reach is kept, not the pointers, whose sizes are this target's own. */
volatile unsigned char r[44];
volatile signed char seeds[6] = {-3, 5, -2, 4, -1, 3};

unsigned char ram[24] = {10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21,
                         22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33};
const unsigned char rom[24] = {40, 41, 42, 43, 44, 45, 46, 47, 48, 49, 50, 51,
                               52, 53, 54, 55, 56, 57, 58, 59, 60, 61, 62, 63};

signed char sc;
unsigned char uc;
int si;
unsigned int ui;
long sl;
unsigned long ul;

unsigned char *gp;
const unsigned char *gc;
const unsigned char *gm;

struct holder {
	unsigned char *p;
	const unsigned char *c;
	const unsigned char *m;
} h;


unsigned char by_param(unsigned char *p, int by, unsigned char back)
{
	p += by;
	p -= back;
	return *p;
}

unsigned char by_const_param(const unsigned char *p, long by, signed char back)
{
	p += by;
	p -= back;
	return *p;
}


void main(void)
{
	unsigned char *lp;
	const unsigned char *lc, *lm;
	signed char lsc = seeds[0];
	unsigned char luc = seeds[1];
	int lsi = seeds[2];
	unsigned int lui = seeds[3];
	long lsl = seeds[4];
	unsigned long lul = seeds[5];
	sc = seeds[0];
	uc = seeds[1];
	si = seeds[2];
	ui = seeds[3];
	sl = seeds[4];
	ul = seeds[5];

	/* Global pointers, global steps. */
	gp = ram + 10;
	gp += sc; r[0] = *gp;
	gp += uc; r[1] = *gp;
	gp += si; r[2] = *gp;
	gp += ui; r[3] = *gp;
	gp += sl; r[4] = *gp;
	gp += ul; r[5] = *gp;
	gp -= ul; gp -= sl; gp -= ui; r[6] = *gp;
	gp -= si; gp -= uc; gp -= sc; r[7] = *gp;
	gp = gp + uc; r[8] = *gp;
	gp = gp - sc; r[9] = *gp;

	gc = rom + 10;
	gc += sc; r[10] = *gc;
	gc += uc; r[11] = *gc;
	gc += si; gc += ui; r[12] = *gc;
	gc += sl; gc -= ul; r[13] = *gc;
	gc -= uc; gc = gc + ui; r[14] = *gc;

	gm = ram + 10;
	gm += sc; r[15] = *gm;
	gm += ul; gm -= si; r[16] = *gm;
	gm = rom + 10;
	gm += uc; gm -= sl; r[17] = *gm;

	/* Locals stepped by locals. */
	lp = ram + 12;
	lp += lsc; lp += lul; r[18] = *lp;
	lp -= luc; lp += lsi; r[19] = *lp;
	lp += lui; lp -= lsl; r[20] = *lp;
	lp = lp + luc; r[21] = *lp;
	lc = rom + 12;
	lc += lsi; lc -= lsc; r[22] = *lc;
	lc += lsl; lc += lul; r[23] = *lc;
	lm = ram + 12;
	lm += luc; lm -= lui; r[24] = *lm;
	lm = rom + 12;
	lm -= lsi; lm += lsl; r[25] = *lm;

	/* Structure members. */
	h.p = ram + 8;
	h.p += uc; r[26] = *h.p;
	h.p -= si; h.p += sc; r[27] = *h.p;
	h.c = rom + 8;
	h.c += ul; h.c -= sc; r[28] = *h.c;
	h.m = ram + 8;
	h.m += lui; h.m -= lsl; r[29] = *h.m;

	/* Parameters. */
	r[34] = by_param(ram + 4, ui, uc);
	r[35] = by_param(ram + 9, si, luc);
	r[36] = by_const_param(rom + 4, ul, sc);
	r[37] = by_const_param(rom + 9, sl, -sc);

	/* Stepping writes through the pointer too. */
	gp = ram + 3;
	gp += ui;
	*gp += uc;
	gp -= sc;
	*gp = 99;
	r[38] = ram[7];
	r[39] = ram[6];
	lp = ram;
	lp += ul;
	lp += lul;
	r[40] = *lp;
	r[41] = lp[uc];
	lc = rom;
	lc += ul * 2;
	r[42] = lc[ui];
	r[43] = *lc;
	for (;;)
		continue;
}
