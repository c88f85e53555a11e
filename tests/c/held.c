/* A byte parameter arrives in W. Code that works on W in place must not
   destroy it while a sibling operand or a later statement still reads it. */
volatile unsigned char r[35];
unsigned char g, h, m = 0x10;
signed char sm = 3;

unsigned char rol1(unsigned char s) { return (s << 1) | (s >> 7); }
unsigned char ror1(unsigned char s) { return (s >> 1) | (s << 7); }
unsigned char swap_mask(unsigned char v) { return ((v << 4) | (v >> 4)) & 0xEF; }
unsigned char sums(unsigned char s) { return (s + 1) ^ (s + 2); }
unsigned char xtime(unsigned char x) { return (x << 1) ^ ((x & 0x80) ? 0x1b : 0); }
unsigned char negsum(unsigned char s) { return (unsigned char)(-s) + (s >> 1); }
unsigned char notand(unsigned char s) { return (unsigned char)~s | (s << 2); }
signed char sar(signed char s) { return (signed char)((s >> 2) + (s << 1)); }
unsigned char once(unsigned char s) { return s + 3; }
/* The value in W changed by one statement and read by the next. */
unsigned char later(unsigned char s)
{
	unsigned char t = s << 1;
	return t + s;
}
/* ... and as a condition, an argument, a store and in a loop. */
unsigned char cond(unsigned char s)
{
	if ((s + 1) == 0x10)
		return s;
	return 0x77;
}
unsigned char id(unsigned char a) { return a; }
unsigned char arg(unsigned char s) { return id(s << 1) + s; }
unsigned char store(unsigned char s)
{
	g = s >> 4;
	h = g;
	return s;
}
/* Code that works on W as the right operand, beside memory. */
unsigned char mem_xor(unsigned char s) { return (m + s) ^ s; }
unsigned char mem_later(unsigned char s)
{
	unsigned char t = m + s;
	return t + s;
}
unsigned char mem_store(unsigned char s)
{
	h = m & s;
	return s;
}
unsigned char from_literal(unsigned char s)
{
	h = 0x40 - s;
	return s + h;
}
/* Compares and switches that test the value in W, then read it again. */
unsigned char gt_const(unsigned char s)
{
	if (s > 5)
		return s;
	return s + 1;
}
unsigned char le_const(unsigned char s)
{
	if (s <= 7)
		return s + 2;
	return s;
}
unsigned char eq_const(unsigned char s)
{
	if (s == 3)
		return s + 4;
	return s;
}
unsigned char gt_mem(unsigned char s)
{
	if (s > m)
		return s;
	return s + 8;
}
signed char sle_mem(signed char s)
{
	if (s <= sm)
		return s - 2;
	return s;
}
unsigned char cases(unsigned char s)
{
	switch (s) {
	case 1:
		return s + 1;
	case 9:
		return s + 2;
	}
	return s;
}
unsigned char loop(unsigned char s)
{
	unsigned char i, sum = 0;
	for (i = 0; i < 3; i++)
		sum += s << i;
	return sum;
}
/* A parameter that stays in W while nothing else wants W (the result goes
   back in memory) is given its new value there: read from a volatile long,
   stepped, cleared, copied. */
volatile long vl = 0x12345678;
int from_volatile(unsigned char s)
{
	s = (unsigned char)vl;
	return s;
}
int stepped(unsigned char s)
{
	s -= 1;
	return s;
}
int cleared(unsigned char s, unsigned char c)
{
	if (c)
		s = 0;
	return s + c;
}
int copied(unsigned char s)
{
	s = g;
	return s;
}

void main(void)
{
	r[0] = rol1(0x53);
	r[1] = ror1(0x53);
	r[2] = swap_mask(0x5B);
	r[3] = sums(5);
	r[4] = xtime(0x80);
	r[5] = xtime(0xC3);
	r[6] = negsum(0x21);
	r[7] = notand(0x5A);
	r[8] = (unsigned char)sar(-91);
	r[9] = once(4);
	r[10] = later(0x53);
	r[11] = cond(0x0F);
	r[12] = cond(0x10);
	r[13] = arg(0x21);
	r[14] = store(0x5B);
	r[15] = h;
	r[16] = loop(0x11);
	r[17] = mem_xor(0x21);
	r[18] = mem_later(0x21);
	r[19] = mem_store(0x31);
	r[20] = h;
	r[21] = from_literal(0x05);
	r[22] = h;
	r[23] = gt_const(9);
	r[24] = gt_const(2);
	r[25] = le_const(9);
	r[26] = eq_const(9);
	r[27] = gt_mem(0x20);
	r[28] = (unsigned char)sle_mem(7);
	r[29] = cases(9);
	r[30] = cases(4);
	r[31] = (unsigned char)from_volatile(3);
	r[32] = (unsigned char)stepped(0x40);
	r[33] = (unsigned char)(cleared(9, 2) + cleared(9, 0));
	g = 0x2C;
	r[34] = (unsigned char)copied(1);
	for (;;)
		continue;
}
