/* Each delay in a function of its own, where the jumps of other code are
   made branches: timer 1 counts the instruction cycles of a call of each,
   less those of a call of an empty function. Counts above 16 bits are seen
   modulo 65536. __delay3(100) and __delay3(0) are timed against
   __delay3(1). */
#include <tovra18.h>
typedef unsigned int u16;
volatile u16 cycles[22];
volatile unsigned char n;
u16 base;

void none(void) {}
#define DELAY(name, count) void name(void) { __delay(count); }
DELAY(d7, 7) DELAY(d8, 8) DELAY(d9, 9) DELAY(d10, 10) DELAY(d100, 100) DELAY(d255, 255)
DELAY(d769, 769) DELAY(d1000, 1000) DELAY(d1792, 1792) DELAY(d1793, 1793) DELAY(d1794, 1794)
DELAY(d2000, 2000) DELAY(d4999, 4999) DELAY(d5000, 5000) DELAY(d50001, 50001)
DELAY(d197375, 0x302FF) DELAY(d197376, 0x30300) DELAY(d197377, 0x30301) DELAY(d100000, 100000)
DELAY(d400000, 400000)

void w3(void) { __delay3(n); }

void (*const table[20])(void) = {d7, d8, d9, d10, d100, d255, d769, d1000, d1792, d1793, d1794,
	d2000, d4999, d5000, d50001, d197375, d197376, d197377, d100000, d400000};

u16 timed(void (*f)(void))
{
	TMR1H = 0;
	TMR1L = 0;
	T1CON = 1;
	f();
	T1CON = 0;
	return (TMR1L | (u16)TMR1H << 8) - base;
}

void main(void)
{
	unsigned char i;
	base = 0;
	base = timed(none);
	for (i = 0; i < 20; i++) cycles[i] = timed(table[i]);
	n = 1;
	base += timed(w3);
	n = 100;
	cycles[20] = timed(w3);
	n = 0;
	cycles[21] = timed(w3);
	for (;;) continue;
}
