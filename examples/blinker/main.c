/* A blinker: timer 0 overflows every 256 instruction cycles and raises a
   high-priority interrupt; every eighth one toggles RB0. A slower timer 1
   interrupt at low priority counts its own ticks. */
#include <tovra18.h>

volatile unsigned char ticks, slow_ticks, toggles;

void interrupt tick(void)
{
	if (TMR0IF) {
		TMR0IF = 0;
		if ((++ticks & 7) == 0) {
			LATB0 = !LATB0;
			toggles++;
		}
	}
}

void interrupt low_priority slow(void)
{
	if (TMR1IF) {
		TMR1IF = 0;
		slow_ticks++;
	}
}

void main(void)
{
	TRISB0 = 0;
	LATB0 = 0;
	IPEN = 1;         /* two priorities */
	T0CON = 0xC8;     /* on, 8 bits, no prescaler */
	TMR0IP = 1;
	TMR0IE = 1;
	T1CON = 0x01;     /* on, 16 bits from the instruction clock */
	TMR1IP = 0;
	TMR1IE = 1;
	GIEL = 1;
	GIEH = 1;
	for (;;)
		continue;
}
