/* Interrupts of both priorities that work on bit objects and bit-fields,
   directly and through a pointer, while the main loop works in W, STATUS,
   an FSR and two banks: timer 0 at high priority, timer 1 at low
   priority, each turning itself off after a set count. Whatever an
   interrupt function changes, it must put back. */
#include <tovra18.h>
typedef unsigned char u8;
typedef unsigned int u16;
volatile u8 r[9];
volatile u8 high_ticks, low_ticks, errors;
bit high_odd, low_odd;
struct counts { u8 high : 3; u8 seen : 1; u8 low : 4; } c, *cp;
volatile u16 a, b;
volatile u8 BANK2 @ 0x250;
volatile u8 BANK3 @ 0x350;
u8 twice[2];

void interrupt isr(void)
{
	TMR0IF = 0;
	high_odd = !high_odd;
	cp->high += 1;
	cp->seen = 1;
	if (++high_ticks == 12) TMR0IE = 0;
}

void interrupt low_priority lisr(void)
{
	PIR1bits.TMR1IF = 0;
	TMR1H = 0xF0;
	low_odd ^= 1;
	c.low -= 3;
	if (c.low == 7) r[0] = low_ticks + 1;
	if (++low_ticks == 5) TMR1IE = 0;
}

void main(void)
{
	u8 k = 0, *p;
	cp = &c;
	IPEN = 1;
	TMR1IP = 0;
	T0CON = 0xC1;
	TMR1H = 0xF0;
	T1CON = 0x01;
	TMR1IE = 1;
	TMR0IE = 1;
	GIEL = 1;
	GIEH = 1;
	while (TMR0IE || TMR1IE) {
		a += 0x0103;
		b = b + 0x0103;
		if (a != b) errors++;
		if ((k += 37) < 37 && k > 200) errors++;
		BANK2 += 3;
		BANK3 += 3;
		if (BANK2 != BANK3) errors++;
		p = twice;
		*p++ += 5;
		*p += 5;
		if (twice[0] != twice[1]) errors++;
	}
	r[1] = high_ticks;
	r[2] = low_ticks;
	r[3] = high_odd;
	r[4] = low_odd;
	r[5] = c.high;
	r[6] = c.seen;
	r[7] = c.low;
	r[8] = errors;
	for (;;) continue;
}
