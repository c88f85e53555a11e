/* The chip's header: its registers, their bits by name and the fields of
   their bits structures, on port B and timer 0; the timer's flag is
   waited for by name and by field. */
#include <tovra18.h>
typedef unsigned char u8;
volatile u8 r[11];

void main(void)
{
	unsigned int i;  /* a byte would wrap to 0 in a fast enough loop */
	TRISB = 0xF0;
	LATB = 0;
	LATB7 = 1;
	LATBbits.LATB5 = 1;
	TRISBbits.TRISB0 = 1;
	TRISB7 = 0;
	TRISBbits.TRISB5 = 0;
	LATB0 = 1;
	LATBbits.LATB1 = LATB0;
	r[0] = LATB;
	r[1] = TRISB;
	r[2] = RB1 + 2 * PORTBbits.RB5;
	T0CON = 0;
	T0CONbits.T0PS = 5;
	T0CONbits.PSA = 1;
	T08BIT = 1;
	r[3] = T0CON;
	r[4] = T0CONbits.T0PS;
	if (T0CONbits.PSA && !T0CS) r[5] = 1;
	T0CONbits.T0PS += 3;
	r[6] = T0CON;
	LATBbits.LATB5 ^= 1;
	LATB1 = !LATBbits.LATB1;
	r[7] = LATB;
	TMR0IF = 0;
	TMR0L = 0;
	T0CON = 0xC1;
	for (i = 0; !TMR0IF; i++) continue;
	r[8] = i != 0;
	INTCONbits.TMR0IF = 0;
	T0CONbits.T0PS = 0;
	while (!INTCONbits.TMR0IF) continue;
	r[9] = TMR0IF;
	TMR0ON = 0;
	r[10] = T0CONbits.TMR0ON;
	for (;;) continue;
}
