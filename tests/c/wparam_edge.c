/* A byte parameter that arrives in W and is kept in memory across a call
   lives among its function's autos, past the parameter area. Where that
   area ends in access RAM and the autos begin above it, the byte must be
   written and read banked. Each caller's own block is a byte longer than
   the last, so that one function's byte lies at each place around the end
   of access RAM on either chip. */
typedef unsigned char u8;
volatile u8 k;
u8 r[24];

/* A deep block, so that the compiled stack spans banks. */
u8 deep(u8 x)
{
	volatile u8 d[200];
	d[k] = x;
	return (u8)(d[k] + 1);
}

#define PAIR(n)                                      \
	u8 f##n(u8 a, long b)                            \
	{                                                \
		u8 t = deep((u8)b);                          \
		return (u8)(a + t);                          \
	}                                                \
	void c##n(void)                                  \
	{                                                \
		volatile u8 pad[84 + n];                     \
		pad[k] = (u8)(n + 0x40);                     \
		r[n] = f##n(pad[k], n);                      \
	}

PAIR(0) PAIR(1) PAIR(2) PAIR(3) PAIR(4) PAIR(5) PAIR(6) PAIR(7)
PAIR(8) PAIR(9) PAIR(10) PAIR(11) PAIR(12) PAIR(13) PAIR(14) PAIR(15)
PAIR(16) PAIR(17) PAIR(18) PAIR(19) PAIR(20) PAIR(21) PAIR(22) PAIR(23)

void main(void)
{
	c0(); c1(); c2(); c3(); c4(); c5(); c6(); c7();
	c8(); c9(); c10(); c11(); c12(); c13(); c14(); c15();
	c16(); c17(); c18(); c19(); c20(); c21(); c22(); c23();
	for (;;)
		continue;
}
