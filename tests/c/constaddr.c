/* Const objects whose addresses are taken, read by name inside divisions
   and remainders of each width, and read through the pointers that hold
   their addresses: the value is folded alike in every pass, so the
   division routine a pass keeps is one the program is linked with. */
volatile unsigned char r8[3];
volatile unsigned int r16[3];
volatile long r32[2];

const int ks = 32767;
const unsigned char kb = 200;
const unsigned int ku = 40000u;
const long kl = 100000l;
const int *qs;
const unsigned char *qb;
const unsigned int *qu;
const long *ql;
volatile unsigned char x = 4;
volatile int y = -7;

void main(void)
{
	qs = &ks;
	qb = &kb;
	qu = &ku;
	ql = &kl;
	r8[0] = (unsigned char)ks / (unsigned char)(x | 1);
	r8[1] = kb % (unsigned char)(x + 3);
	r8[2] = *qb / x;
	r16[0] = ku / (unsigned int)(x + 1);
	r16[1] = (unsigned int)(ks % y);
	r16[2] = (unsigned int)(*qs / y + *qu % 7);
	r32[0] = kl / y;
	r32[1] = *ql % (x + 5) + kl / 3;
	for (;;)
		continue;
}
