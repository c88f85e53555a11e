/* Unsigned words and longs divided by ten, which has routines of its own:
   quotients and remainders at the edges (0, 9, 10, the maxima, both sides
   of multiples of ten where a quotient byte carries), the assignment
   forms, a dividend that is itself a quotient or a call, and the digits
   of a number written out. */
volatile unsigned int rw[12], dw[5];
volatile unsigned long rl[10];
volatile unsigned char digits[10];

const unsigned int words[6] = {0, 9, 10, 2569, 65530, 65535};
const unsigned long longs[5] = {0, 2559, 655359, 4294967290ul, 4294967295ul};
unsigned int w = 54321;
unsigned long l = 3999999999ul;

unsigned int value(void)
{
	return w + 1;
}

void main(void)
{
	unsigned char i;
	unsigned int v, q = 0, r = 0;
	unsigned long u, lq = 0, lr = 0;

	for (i = 0; i < 6; i++) {
		q += words[i] / 10;
		r += words[i] % 10;
		rw[i] = words[i] / 10 * 16 + words[i] % 10;
	}
	rw[6] = q;
	rw[7] = r;
	v = w;
	v /= 10;
	rw[8] = v;
	v = w;
	v %= 10;
	rw[9] = v;
	rw[10] = (w / 3) / 10;
	rw[11] = value() % 10 + value() / 10;
	for (i = 0; i < 5; i++) {
		lq += longs[i] / 10;
		lr += longs[i] % 10;
		rl[i] = longs[i] / 10;
	}
	rl[5] = lq;
	rl[6] = lr;
	u = l;
	u /= 10;
	rl[7] = u;
	u = l;
	u %= 10;
	rl[8] = u;
	u = l;
	for (i = 0; i < 10; i++) {
		digits[i] = (unsigned char)(u % 10);
		u /= 10;
	}
	rl[9] = u;
	v = 65535;
	for (i = 0; i < 5; i++) {
		dw[i] = v % 10;
		v /= 10;
	}
	for (;;)
		continue;
}
