/* x = a op b worked out as x = a; x op= b: the bitwise CRC step, a long's
   sum and difference, an address plus an index; a store whose value is used,
   in a condition and after &&; a return and a selected value. Forms that
   must not be split: the right operand reads x through a pointer or in a
   called function, the operation is signed while x is unsigned. */
volatile unsigned int rw[12];
volatile unsigned long rl[4];
volatile unsigned char rb[4];

const unsigned int seeds[4] = {0, 1, 0x8000, 0xFFFF};
unsigned int g = 0x4321;
unsigned char buf[8] = {1, 2, 3, 4, 5, 6, 7, 8};
int neg = -100;

unsigned int crc_step(unsigned int crc, unsigned char k)
{
	while (k-- != 0) {
		if (crc & 0x8000)
			crc = (crc << 1) ^ 0x1021;
		else
			crc <<= 1;
	}
	return crc;
}

unsigned int read_g(void)
{
	return g;
}

unsigned int join(unsigned char h, unsigned char q)
{
	return (unsigned int)h << 8 | q;
}

unsigned int pick(unsigned int x, unsigned char c)
{
	x = c ? (x << 1) ^ 0x1021 : 5;
	return x;
}

void main(void)
{
	unsigned char i;
	unsigned int x, y, *p = &x;
	unsigned long l, m;
	unsigned char *q;

	for (i = 0; i < 4; i++)
		rw[i] = crc_step(seeds[i], 8);
	x = 0x8421;
	x = (x << 1) ^ *p;
	rw[4] = x;
	g = (g << 1) ^ read_g();
	rw[5] = g;
	x = neg;
	x = (int)(neg | 3) >> 1;
	rw[6] = x;
	x = 0x9001;
	y = (x = (x << 1) ^ 0x1021) + 1;
	rw[7] = x ^ y;
	if ((x = (x << 1) ^ 0x1021) & 1)
		rw[8] = x;
	if (seeds[1] && (x = (x << 1) ^ 0x1021) > 0x100)
		rw[9] = x;
	rw[10] = join(0xAB, 0xCD);
	rw[11] = pick(0x8001, 1) + pick(0x8001, 0);
	l = 0x10000ul;
	m = l - 1;
	rl[0] = m;
	m = (l << 3) + 0xFFFFul;
	rl[1] = m;
	l = 0xFFFFFFFFul;
	l = (l >> 4) - 0x0FFFFFFFul;
	rl[2] = l;
	m = (m ^ 0x55555555ul) + l;
	m = (m << 2) + neg;
	rl[3] = m;
	for (i = 0; i < 4; i++) {
		q = buf + i * 2;
		rb[i] = *q;
	}
	for (;;)
		continue;
}
