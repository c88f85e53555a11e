/* Objects larger than a bank: arrays of zeroed and of initialised bytes,
   an array of words and a structure, each over 256 bytes, reached by
   variable indexes and by constant ones on both sides of bank
   boundaries. */
typedef unsigned char u8;
typedef unsigned int u16;
volatile u8 r[16];
u8 big[300];
#define T4(n) (u8)((n) * 7 + 3), (u8)((n) * 7 + 10), (u8)((n) * 7 + 17), (u8)((n) * 7 + 24)
#define T16(n) T4(n), T4((n) + 4), T4((n) + 8), T4((n) + 12)
#define T64(n) T16(n), T16((n) + 16), T16((n) + 32), T16((n) + 48)
u8 table[280] = {T64(0), T64(64), T64(128), T64(192), T16(256), T4(272), T4(276)};
u16 words[200];
struct record {
	u8 head;
	u8 pad[270];
	u16 tail;
} rec;
volatile u16 k;

void main(void)
{
	u16 i, sum = 0;
	for (i = 0; i < 300; i++)
		big[i] = (u8)(i ^ (i >> 8));
	for (i = 0; i < 200; i++)
		words[i] = i * 3;
	for (i = 0; i < 270; i++)
		rec.pad[i] = (u8)i;
	rec.head = 0x11;
	rec.tail = 0xBEEF;
	big[255] = 0xA5;
	big[256] = 0x5A;
	words[127] = 0x1234;
	words[128] = 0x5678;
	for (i = 0; i < 300; i++)
		sum += big[i];
	r[0] = (u8)sum;
	r[1] = (u8)(sum >> 8);
	r[2] = big[0];
	r[3] = big[255];
	r[4] = big[256];
	r[5] = big[299];
	k = 299;
	r[6] = big[k];
	r[7] = table[0] + table[2];
	r[8] = table[255];
	r[9] = table[256];
	k = 279;
	r[10] = table[k];
	r[11] = (u8)(words[127] >> 8) ^ (u8)words[128];
	k = 199;
	r[12] = (u8)words[k] + (u8)(words[150] >> 8);
	r[13] = rec.head + rec.pad[200];
	r[14] = (u8)(rec.tail >> 8);
	k = 269;
	r[15] = rec.pad[k] + (u8)rec.tail;
	for (;;) continue;
}
