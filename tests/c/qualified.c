/* Volatile objects, parameters and pointers to them: an address
   of a volatile object that nothing takes reads nothing, and a pointer to
   volatile objects reads and writes through them; a pointer parameter to
   const objects reads them. */
volatile unsigned char ok[5];
signed char volatile vs;
unsigned int volatile vw;
long volatile vl;

int twice(int a, volatile int b) { b = b + a; return b + a; }
unsigned char low(const unsigned int *p) { return *p & 0xFF; }

void main(void)
{
	signed char volatile *unused = &vs;
	unsigned int volatile *pw = &vw;
	long volatile *pl = &vl;
	unsigned int w = 0x1234;
	vs = -5;
	*pw = 0x4321;
	*pl = 70000L;
	*pl += 1;
	ok[0] = vs == -5;
	ok[1] = vw == 0x4321 && *pw == 0x4321;
	ok[2] = vl == 70001L;
	ok[3] = twice(3, 4) == 10;
	ok[4] = low(&w) == 0x34;
	for (;;)
		continue;
}
