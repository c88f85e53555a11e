/* A compiled stack of several banks shared with an interrupt: main and the
   timer 0 interrupt both call a function with a large auto array (each
   level its own copy), and each level holds a large array of its own while
   it calls. An interrupt that broke into main's copy, or blocks of the two
   levels that overlapped, would change a checksum. */
#include <tovra18.h>
typedef unsigned char u8;
typedef unsigned int u16;
#define TICKS 40
#define CHURN5 0xC8FE /* churn(5) */
volatile u8 r[5];
volatile u16 ticks;
volatile u8 irq_errors;

/* The same sum for the same seed, whoever calls. */
u16 churn(u8 seed)
{
	u8 a[120];
	u16 i, s = 0;
	for (i = 0; i < 120; i++)
		a[i] = (u8)(i * seed + 7);
	for (i = 0; i < 120; i++)
		s += (u16)a[i] << (i & 3);
	return s;
}

void interrupt tick(void)
{
	u8 h[90];
	u8 i, x = 0;
	TMR0IF = 0;
	for (i = 0; i < 90; i++)
		h[i] = i ^ 0x3C;
	if (churn(5) != CHURN5) irq_errors++;
	for (i = 0; i < 90; i++)
		x += h[i];
	if (x != 0x7D) irq_errors++;
	if (++ticks == TICKS) TMR0IE = 0;
}

void main(void)
{
	u8 m[150];
	u16 i, want, rounds = 0;
	u8 errors = 0, x;
	want = churn(3);
	T0CON = 0xC6;
	TMR0IE = 1;
	GIE = 1;
	while (TMR0IE) {
		for (i = 0; i < 150; i++)
			m[i] = (u8)(i + rounds);
		if (churn(3) != want) errors++;
		x = 0;
		for (i = 0; i < 150; i++)
			x ^= m[i] - (u8)(i + rounds);
		if (x) errors++;
		rounds++;
	}
	r[0] = errors;
	r[1] = irq_errors;
	r[2] = ticks == TICKS;
	r[3] = rounds > 3;
	r[4] = (u8)want;
	for (;;)
		continue;
}
