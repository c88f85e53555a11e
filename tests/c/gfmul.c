/* Byte products of the AES multiply kind, more of them in one statement
   than rewriting has passes to spare: each becomes a call of its own. */
volatile unsigned char r[4];
unsigned char gy = 0x1d, gz = 0x0b;
unsigned char d[5] = {0x57, 0xae, 0x47, 0x8e, 0x07};

#define M(y, a, b, c, e, f) \
	(((y & 1) * a) ^ ((y >> 1 & 1) * b) ^ ((y >> 2 & 1) * c) ^ ((y >> 3 & 1) * e) ^ ((y >> 4 & 1) * f))

void main(void)
{
	unsigned char y = gy, z = gz, a = d[0], b = d[1], c = d[2], e = d[3], f = d[4];
	r[0] = M(y, a, b, c, e, f) ^ M(z, b, c, e, f, a) ^ M(y, c, e, f, a, b) ^ M(z, e, f, a, b, c) ^ M(y, f, a, b, c, e);
	r[1] = M(z, a, b, c, e, f) ^ M(y, b, c, e, f, a) ^ M(z, c, e, f, a, b) ^ M(y, e, f, a, b, c) ^ M(z, f, a, b, c, e);
	r[2] = M(y, a, a, a, a, a);
	for (;;)
		continue;
}
