/* Bit objects: placed by the compiler, at absolute addresses in the
   access bank, in banked RAM and on a port latch; set, cleared, copied,
   negated, toggled, taken from a byte's lowest bit and from conditions,
   combined with |= &= ^=, tested, read into bytes, compared, taken from
   and stored into bit-fields, and returned by functions. */
typedef unsigned char u8;
volatile u8 r[28];
volatile u8 seen_ram, seen_banked, seen_lat;
bit a, b, c;
volatile u8 RAMBYTE @ 0x60;
volatile bit R3 @ (0x60 * 8 + 3);
volatile u8 BANKED @ 0x215;
volatile bit K6 @ (0x215 * 8 + 6);
volatile bit K1 @ (0x215 * 8 + 1);
volatile u8 TRISB @ 0xF93;
volatile u8 LATB @ 0xF8A;
volatile bit LB0 @ (0xF8A * 8 + 0);
volatile bit LB7 @ (0xF8A * 8 + 7);
u8 x;
struct { u8 low : 2; u8 mid : 1; u8 high : 5; } field;

bit get_a(void) { return a; }
bit not_a(void) { return !a; }
bit above(u8 v) { return v > 9; }
u8 count_calls(void)
{
	static bit once;
	if (once) return 2;
	once = 1;
	return 1;
}

void main(void)
{
	u8 i;
	a = 1; b = 0;
	r[0] = a; r[1] = b;
	c = a; r[2] = c;
	c = !c; r[3] = c;
	x = 6; a = x; r[4] = a;		/* the lowest bit */
	x = 7; a = x; r[5] = a;
	a = x > 3; r[6] = a;
	a = x == 3; r[7] = a;
	b = 1; b ^= 1; r[8] = b;
	a = 1; b |= a; r[9] = b;
	a = 0; b &= a; r[10] = b;
	a = 1; b = 1; b ^= a; r[11] = b;
	b |= !a; r[12] = b;
	a = 1; b = 0; r[13] = a == b; r[14] = a != b;
	r[15] = get_a() + 10 * not_a();
	r[16] = above(10) + 2 * above(9);
	i = count_calls();
	r[17] = i + 10 * count_calls();
	i = 0;
	while (!c) { c = i == 4; i++; }
	r[18] = i;
	a = b = 1; r[19] = a + b;
	r[20] = (a = 0) + 2;
	RAMBYTE = 0; R3 = 1; seen_ram = RAMBYTE;
	BANKED = 0x0F; K6 = 1; K1 = !K6; K6 ^= 1; seen_banked = BANKED;
	TRISB = 0; LATB = 0x81; LB0 = 0; LB7 = !LB0; LB0 = LB7; seen_lat = LATB;
	if (R3 && !K6) r[21] = 1;
	if (LB0) r[22] = 5;
	r[23] = K1 || LB7;
	a = 1; b = 0; c = a ^ b; r[24] = c;
	b = 1; c = a ^ b; r[25] = c;
	field.high = 0x1F; field.mid = 1; field.low = 2; c = field.mid; a = field.low; r[26] = c + 2 * a;
	field.mid = b; field.low = !b; r[27] = field.mid + 2 * field.low;
	for (;;) continue;
}
