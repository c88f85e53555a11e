/* Functions and run-time routines reached from main and from interrupts of
   both priorities: each level runs a copy of its own, so none overwrites
   another's arguments, locals or result. Main multiplies and divides in a
   loop while timer 0 (high priority) and timer 1 (low priority) break in
   and do the same; every product is checked by dividing it again. A
   function with loops and branches (labels of its own in each copy) is
   called at every level too. */
#include <tovra18.h>
typedef unsigned char u8;
typedef unsigned int u16;
typedef unsigned long u32;
#define TICKS 100
volatile u8 r[8];
volatile u16 high_ticks, low_ticks;
volatile u8 high_errors, low_errors, bit_errors, spins;
volatile u16 ha, la, rounds;
volatile u32 hl;

/* The bits set in v, by a loop and a branch. */
u8 bits(u8 v)
{
	u8 n = 0;
	while (v) {
		if (v & 1)
			n++;
		v >>= 1;
	}
	return n;
}

/* No parameters, a loop and an end label. */
void spin(void)
{
	u8 k = 3;
	while (--k)
		spins++;
}

/* 1 when a * b, divided by b, gives a back with nothing over. */
u8 product_holds(u16 a, u16 b)
{
	u16 p = a * b;
	return p / b == a && p % b == 0;
}

void interrupt hi(void)
{
	u16 a = ha & 0x7F, b = a + 3;
	TMR0IF = 0;
	if (a * b / b != a) high_errors++;
	if (bits((u8)a) != bits((u8)(a << 1) >> 1 | (u8)(a & 0x80))) bit_errors++;
	ha += 5;
	spin();
	if (++high_ticks == TICKS) TMR0IE = 0;
}

void interrupt low_priority lo(void)
{
	u16 a = la & 0x7F, b = a + 7;
	u32 l = hl * 3;
	PIR1bits.TMR1IF = 0;
	TMR1H = 0xE0;
	if (a * b / b != a || !product_holds(b, a + 1)) low_errors++;
	if (l / 3 != hl) low_errors++;
	hl += 77;
	if (bits(0xA5) != 4) bit_errors++;
	la += 3;
	spin();
	if (++low_ticks == TICKS) TMR1IE = 0;
}

void main(void)
{
	u16 i = 0, a, b;
	u32 m = 1;
	u8 errors = 0;
	IPEN = 1;
	TMR1IP = 0;
	T0CON = 0xC4;
	TMR1H = 0xE0;
	T1CON = 0x01;
	TMR1IE = 1;
	TMR0IE = 1;
	GIEL = 1;
	GIEH = 1;
	while (TMR0IE || TMR1IE) {
		a = i & 0x7F;
		b = a + 11;
		if (a * b / b != a) errors++;
		if (!product_holds(a + 1, b)) errors++;
		if (m * 5 != (m << 2) + m) errors++;
		m += 1001;
		if (bits((u8)i) > 8 || bits(0xFF) != 8) bit_errors++;
		spin();
		i++;
		rounds = i;
	}
	r[0] = errors;
	r[1] = high_errors;
	r[2] = low_errors;
	r[3] = bit_errors;
	r[4] = high_ticks == TICKS;
	r[5] = low_ticks == TICKS;
	r[6] = i > 100;
	for (;;) continue;
}
