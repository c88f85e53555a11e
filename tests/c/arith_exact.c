/* The run-time multiply, divide and remainder routines over every pair of
   bytes and over edges and pseudo-random pairs of words, 24-bit and long
   values, each result folded into a hash of its width. The 24-bit type is
   the target's own; the host emulates it by cutting to 24 bits. Dividing by
   zero gives what the routines promise, which the host spells out. */
#ifdef __TOVRA18__
typedef unsigned short long u24;
typedef short long s24;
#define CUT(x) (x)
#define SIGNED24(x) (x)
/* Configuration word 2 without the watchdog: the run takes millions of
   cycles. */
asm("\tGLOBAL\t__config2");
asm("__config2\tEQU\t0FEFFh");
#else
typedef unsigned long u24;
typedef long s24;
#define CUT(x) ((x) & 0xFFFFFFul)
#define SIGNED24(x) ((s24)((CUT(x) ^ 0x800000ul) - 0x800000ul))
#endif

volatile unsigned int h8[6];
volatile unsigned long h16[5], h24[5], h32[5];
volatile unsigned long zero[10];

unsigned long seed = 2463534242ul;

/* The next xorshift value, cut to a random number of its low bits so that
   small values come often. */
unsigned long next(void)
{
	seed ^= seed << 13;
	seed ^= seed >> 17;
	seed ^= seed << 5;
	return seed >> (unsigned char)(seed & 31);
}

unsigned int fold8(unsigned int h, unsigned char v) { return (h << 3 | h >> 13) ^ v; }
unsigned long fold(unsigned long h, unsigned long v) { return (h << 5 | h >> 27) ^ v; }

const unsigned long edges[] = {0, 1, 2, 3, 7, 10, 0x7F, 0x80, 0xFF, 0x100, 0x7FFF, 0x8000, 0x8001,
	0xFFFF, 0x10000, 0x7FFFFF, 0x800000, 0xFFFFFF, 0x7FFFFFFF, 0x80000000, 0x80000001, 0xFFFFFFFE,
	0xFFFFFFFF, 0x12345678, 0x40000000};
#define EDGES (sizeof edges / sizeof edges[0])

void pair16(unsigned int a, unsigned int b)
{
	int sa = a, sb = b;

	h16[0] = fold(h16[0], (unsigned int)(a * b));
	if (b != 0) {
		h16[1] = fold(h16[1], a / b);
		h16[2] = fold(h16[2], a % b);
		h16[3] = fold(h16[3], (unsigned int)(sa / sb));
		h16[4] = fold(h16[4], (unsigned int)(sa % sb));
	}
}

void pair24(u24 a, u24 b)
{
	s24 sa, sb;

	a = CUT(a);
	b = CUT(b);
	sa = SIGNED24(a);
	sb = SIGNED24(b);
	h24[0] = fold(h24[0], CUT(a * b));
	if (b != 0) {
		h24[1] = fold(h24[1], a / b);
		h24[2] = fold(h24[2], a % b);
		h24[3] = fold(h24[3], CUT((u24)(sa / sb)));
		h24[4] = fold(h24[4], CUT((u24)(sa % sb)));
	}
}

void pair32(unsigned long a, unsigned long b)
{
	long sa = a, sb = b;

	h32[0] = fold(h32[0], a * b);
	if (b != 0) {
		h32[1] = fold(h32[1], a / b);
		h32[2] = fold(h32[2], a % b);
		/* The host traps on the most negative long over -1. */
		if (sb != -1 || sa != -2147483647l - 1) {
			h32[3] = fold(h32[3], (unsigned long)(sa / sb));
			h32[4] = fold(h32[4], (unsigned long)(sa % sb));
		}
	}
}

volatile unsigned char z8 = 0;
volatile unsigned int z16 = 0;
volatile unsigned long z32 = 0;
volatile u24 z24 = 0;

void main(void)
{
	unsigned char a, b, i, j;
	unsigned int n;

	a = 0;
	do {
		b = 0;
		do {
			signed char sa = a, sb = b;

			h8[0] = fold8(h8[0], a * b);
			h8[1] = fold8(h8[1], (unsigned char)((unsigned int)a * b >> 8));
			if (b != 0) {
				h8[2] = fold8(h8[2], a / b);
				h8[3] = fold8(h8[3], a % b);
				h8[4] = fold8(h8[4], (unsigned char)(sa / sb));
				h8[5] = fold8(h8[5], (unsigned char)(sa % sb));
			}
		} while (++b != 0);
	} while (++a != 0);

	for (i = 0; i < EDGES; i++)
		for (j = 0; j < EDGES; j++) {
			pair16((unsigned int)edges[i], (unsigned int)edges[j]);
			pair24(edges[i], edges[j]);
			pair32(edges[i], edges[j]);
		}
	for (n = 0; n < 1500; n++) {
		unsigned long x = next(), y = next();

		pair16((unsigned int)x, (unsigned int)y);
		pair24(x, y);
		pair32(x, y);
	}

#ifdef __TOVRA18__
	zero[0] = (unsigned char)(200 + z8) / z8;
	zero[1] = (unsigned char)(200 + z8) % z8;
	zero[2] = (unsigned int)(50000u + z16) / z16;
	zero[3] = (unsigned int)(50000u + z16) % z16;
	zero[4] = CUT((u24)(3000000ul + z24) / z24);
	zero[5] = CUT((u24)(3000000ul + z24) % z24);
	zero[6] = (3000000000ul + z32) / z32;
	zero[7] = (3000000000ul + z32) % z32;
	zero[8] = (unsigned int)((int)(-5 + (int)z16) / (int)z16);
	zero[9] = (unsigned long)((long)(-5 + (long)z32) / (long)z32);
#else
	zero[0] = 0xFF; zero[1] = 200; zero[2] = 0xFFFF; zero[3] = 50000; zero[4] = 0xFFFFFF;
	zero[5] = 3000000; zero[6] = 0xFFFFFFFFul; zero[7] = 3000000000ul; zero[8] = 1; zero[9] = 1;
#endif
	for (;;)
		continue;
}
