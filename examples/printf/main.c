/* printf through putch: each character goes to the USART and into a
   buffer that the test reads back. The bits are named through their
   registers (TXSTAbits.TRMT), which holds on chips with two USARTs too,
   where a bare TRMT would be ambiguous. */
#include <tovra18.h>
#include <stdio.h>

char sent[40];
unsigned char count;

void putch(char c)
{
	while (!TXSTAbits.TRMT)
		continue;
	TXREG = c;
	if (count < sizeof sent)
		sent[count++] = c;
}

void main(void)
{
	SPBRG = 25;        /* 9600 baud at 4 MHz, high speed */
	TXSTAbits.BRGH = 1;
	TXSTAbits.SYNC = 0;
	RCSTAbits.SPEN = 1;
	TXSTAbits.TXEN = 1;
	printf("n=%d x=%x %s\n", -42, 0xBEEF, "ok");
	for (;;)
		continue;
}
