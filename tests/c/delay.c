/* The in-line delays spend the cycles they state: timer 1, counting
   instruction cycles, runs across each delay; the time of the same code
   without the delay is taken off. Counts above 16 bits are seen modulo
   65536. */
#include <tovra18.h>
typedef unsigned char u8;
typedef unsigned int u16;
volatile u16 cycles[14];
volatile u8 n;
u16 base;

#define TIMED(slot, code) \
	TMR1H = 0; TMR1L = 0; T1CON = 1; code; T1CON = 0; \
	cycles[slot] = (TMR1L | (u16)TMR1H << 8) - base;

void main(void)
{
	base = 0;
	TIMED(0, ;)
	base = cycles[0];
	TIMED(0, __delay(1))
	TIMED(1, __delay(2))
	TIMED(2, __delay(5))
	TIMED(3, __delay(6))
	TIMED(4, __delay(7))
	TIMED(5, __delay(100))
	TIMED(6, __delay(1792))
	TIMED(7, __delay(1793))
	TIMED(8, __delay(50000))
	TIMED(9, __delay(0x30300))
	TIMED(10, __delay(0x30300 + 1000))
	n = 1;
	TIMED(11, __delay3(n))
	base += cycles[11];
	n = 10;
	TIMED(12, __delay3(n))
	n = 0;
	TIMED(13, __delay3(n))
	for (;;) continue;
}
