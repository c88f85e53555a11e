/* Bit manipulation: bits counted, bytes mirrored, parity, the lowest set
   bit found, and a 16-bit word rotated and its fields packed, as a driver
   handles status and control registers.
   RESULTS: ones:2 mirror_sum:2 parity_mask:1 low_sum:2 packed:2 rotated:2 */
#ifdef HOST_CHECK
#include <stdio.h>
typedef unsigned short u16;
#else
typedef unsigned int u16;
void bench_done(void) { for (;;) continue; }
#endif
typedef unsigned char u8;

volatile u16 ones, mirror_sum, low_sum, packed, rotated;
volatile u8 parity_mask;

u8 popcount(u8 v)
{
	u8 n = 0;

	while (v) {
		v &= (u8)(v - 1);
		n++;
	}
	return n;
}

u8 mirror(u8 v)
{
	v = (u8)((v & 0xF0) >> 4 | (v & 0x0F) << 4);
	v = (u8)((v & 0xCC) >> 2 | (v & 0x33) << 2);
	v = (u8)((v & 0xAA) >> 1 | (v & 0x55) << 1);
	return v;
}

u8 lowest_bit(u16 v)
{
	u8 n = 0;

	if (v == 0)
		return 16;
	while (!(v & 1)) {
		v >>= 1;
		n++;
	}
	return n;
}

u16 rotl(u16 v, u8 n)
{
	return (u16)(v << n | v >> (16 - n));
}

#ifdef HOST_CHECK
int main(void)
#else
void main(void)
#endif
{
	u8 i, b, par = 0;
	u16 n = 0, m = 0, l = 0, p = 0, r = 0x1234, w;

	for (i = 0; i < 64; i++) {
		b = (u8)(i * 29 + 11);
		n += popcount(b);
		m += mirror(b);
		if (popcount(b) & 1)
			par ^= (u8)(1 << (i & 7));
		w = (u16)b << (i & 7);
		l += lowest_bit(w);
		p ^= (u16)((u16)(b & 0x1F) << 11 | (u16)(i & 0x3F) << 5 | (b >> 3));
		r = rotl(r, (u8)((i & 7) + 1)) ^ b;
	}
	ones = n;
	mirror_sum = m;
	parity_mask = par;
	low_sum = l;
	packed = p;
	rotated = r;
#ifdef HOST_CHECK
	printf("ones=%u\nmirror_sum=%u\nparity_mask=%u\nlow_sum=%u\npacked=%u\nrotated=%u\n", ones, mirror_sum,
	       parity_mask, low_sum, packed, rotated);
	return 0;
#else
	bench_done();
#endif
}
