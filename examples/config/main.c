/* Configuration words from C: the watchdog is off, so the long loop below
   runs to its end; left on (the erased state, with the shortest period
   WDTPS = 1), the watchdog would reset the chip every few thousand loops
   and "finished" would never be set. Each setting takes the chip's own
   names, as its data sheet gives them. */
#include <tovra18.h>

#if defined(_18F45K22) || defined(_18F26K22)
#pragma config FOSC = HSMP, WDTEN = OFF, WDTPS = 1, LVP = OFF
#elif defined(_18F46K80)
#pragma config FOSC = HS1, WDTEN = OFF, WDTPS = 1
#else
#pragma config OSC = HS, WDT = OFF, WDTPS = 1, LVP = OFF
#endif

volatile unsigned int rounds;
volatile unsigned char finished;

void main(void)
{
	for (rounds = 0; rounds != 30000; rounds++)
		continue;
	finished = 1;
	for (;;)
		continue;
}
