/* Initialised variables of more than a bank together, after zeroed ones
   that leave the block starting inside a bank: arrays of 100 bytes and of
   words, a structure, and scalars of every width after them, all read by
   constant and variable indexes, and the scalars written back by name. */
typedef unsigned char u8;
typedef unsigned int u16;
typedef unsigned long u32;
volatile u8 r[25];
u8 zeroed[80];
#define T4(n) (u8)((n) * 5 + 1), (u8)((n) * 5 + 6), (u8)((n) * 5 + 11), (u8)((n) * 5 + 16)
#define T20(n) T4(n), T4((n) + 4), T4((n) + 8), T4((n) + 12), T4((n) + 16)
#define T100(n) T20(n), T20((n) + 20), T20((n) + 40), T20((n) + 60), T20((n) + 80)
u8 a[100] = {T100(0)};
u8 b[100] = {T100(7)};
u8 c[100] = {T100(31)};
u8 e[143] = {T100(50), T20(1), T20(2), 1, 2, 3};
u8 d[99] = {T20(3), T20(11), T20(19), T20(23), T4(9), T4(2), T4(8), T4(1), 42, 43, 44};
u16 w[40] = {1000, 2000, 3000, 4000, 5000, 6000, 7000, 8000, 9000, 10000, 65535, 1, 2, 3, 4, 5, 6, 7, 8, 9,
	     11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 0x1234, 0x5678, 0x9ABC, 0xDEF0, 21, 22, 23, 24, 25, 0xBEEF};
struct record {
	u8 tag;
	u16 count;
	u32 total;
} rec = {0x5A, 0x1357, 0x2468ACE0UL};
u32 l1 = 0x11223344UL, l2 = 0x55667788UL, l3 = 0x99AABBCCUL;
u16 s1 = 0xA1B2, s2 = 0xC3D4, s3 = 0xE5F6;
u8 c1 = 0x17, c2 = 0x29, c3 = 0x3B;
volatile u8 k;

u8 sum(const u8 *p, u8 n)
{
	u8 s = 0;
	while (n--)
		s = (u8)(s * 3 + *p++);
	return s;
}

void main(void)
{
	u8 i;
	u16 ws = 0;
	zeroed[79] = 1;
	r[0] = sum(a, 100);
	r[1] = sum(b, 100);
	r[2] = sum(c, 100);
	r[3] = sum(d, 99);
	for (i = 0; i < 40; i++)
		ws += w[i] ^ i;
	r[4] = (u8)ws;
	r[5] = (u8)(ws >> 8);
	r[6] = a[99] + b[0] + c[50] + d[98];
	k = 99;
	r[7] = a[k] ^ b[k] ^ c[k];
	r[8] = rec.tag + (u8)(rec.count >> 8) + (u8)(rec.total >> 24);
	r[9] = (u8)(l1 >> 24) + (u8)(l2 >> 16) + (u8)(l3 >> 8) + (u8)l3;
	r[10] = (u8)(s1 >> 8) ^ (u8)s2 ^ (u8)(s3 >> 4);
	r[11] = c1 + c2 * c3;
	l1 += 0x01010101UL;
	l2 ^= l1;
	l3 = l3 * 3 + l2;
	s1 += s2;
	s2 -= s3;
	s3 = s1 | s2;
	c1 += c2;
	c2 = c1 ^ c3;
	c3 = (u8)(c2 - 1);
	rec.count += rec.tag;
	rec.total -= rec.count;
	r[12] = (u8)l1;
	r[13] = (u8)(l2 >> 8);
	r[14] = (u8)(l3 >> 16);
	r[15] = (u8)(l3 >> 24);
	r[16] = (u8)s1;
	r[17] = (u8)(s2 >> 8);
	r[18] = (u8)s3;
	r[19] = c1;
	r[20] = c2 + c3;
	r[21] = (u8)(rec.total >> 8) ^ (u8)rec.count;
	r[22] = zeroed[79] + zeroed[0];
	r[23] = (u8)(w[39] >> 8) + (u8)w[33];
	r[24] = sum(e, 143) + e[142];
	for (;;) continue;
}
