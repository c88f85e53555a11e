/* printf through putch: each character goes to the USART and into a
   buffer that the test reads back. */
#include <tovra18.h>
#include <stdio.h>

char sent[40];
unsigned char count;

void putch(char c)
{
	while (!TRMT)
		continue;
	TXREG = c;
	if (count < sizeof sent)
		sent[count++] = c;
}

void main(void)
{
	SPBRG = 25;        /* 9600 baud at 4 MHz, high speed */
	BRGH = 1;
	SYNC = 0;
	SPEN = 1;
	TXEN = 1;
	printf("n=%d x=%x %s\n", -42, 0xBEEF, "ok");
	for (;;)
		continue;
}
