/* Stores to array elements whose right-hand side reads through another
   pointer or another element: the element's address and the value read
   both want an FSR, and neither may lose its own. */
typedef unsigned char u8;
typedef signed char s8;
volatile u8 r, r2, r3;
u8 a, b, gu8_0 = 100, gu8_1;
u8 gb[4], ga[8];
s8 gs = -5;

void main(void)
{
	u8 *p = &a;
	u8 *pu8 = &gu8_1;
	s8 *ps8 = &gs;
	a = 1;
	gb[1] = (u8)(a - *p);
	b = (u8)(1 - a << 7);
	r = b;
	gu8_1 = 128;
	ga[1] = *pu8;
	ga[2] = (u8)(ga[(gb[0] & 7)] + (u8)1);
	ga[(*pu8 & 7)] = *pu8;
	ga[3] = (u8)((u8)(gu8_0 ^ *pu8) << 2);
	gb[2] = *ps8;
	ga[4] += *pu8;
	r2 = ga[1] + ga[2] + ga[3] + ga[4] + ga[0] + gb[1] + gb[2];
	r3 = gu8_1;
	for (;;) continue;
}
