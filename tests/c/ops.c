/* Byte arithmetic and logic: - & | ^ ~ << >>, and && || ! in conditions. */
volatile unsigned char r_sub, r_and, r_or, r_xor, r_not, r_shl, r_shr, r_neg;
volatile signed char r_sar;
volatile unsigned char c_and, c_or, c_not, c_mix;
unsigned char x, y;
signed char sx;

void main(void)
{
	unsigned char a, b;
	x = 0xC5; y = 0x3A; sx = -100;
	a = x; b = y;
	r_sub = a - b;
	r_and = a & b;
	r_or = a | b;
	r_xor = a ^ b;
	r_not = ~a;
	r_neg = -a;
	r_shl = a << 3;
	r_shr = a >> 2;
	r_sar = sx >> 3;
	if (a > 100 && b < 100) c_and = 1;
	if (a < 100 || b > 100) c_or = 1; else c_or = 2;
	if (!(a == b)) c_not = 1;
	if ((a == 0xC5 && !(b == 0)) || a == b) c_mix = 7;
	for (;;) continue;
}
