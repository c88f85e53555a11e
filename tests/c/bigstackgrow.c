/* A compiled stack across banks that grows once code is chosen (the
   remainder routine's registers are known only then), with the
   initialised data laid out right after it: the stack finds room
   elsewhere, and the data keeps its values. */
volatile unsigned char vu8 = 3;
volatile long r;
volatile unsigned char rb[6];
unsigned char g1 = 5, g2 = 7, g3[20] = {1, 2, 3};
long g4 = 0x12345678L;
void g(void)
{
	unsigned char a[300];
	unsigned int i;
	for (i = 0; i < 300; i++)
		a[i] = (unsigned char)i + g1;
	r = (2 % vu8 == a[2 % vu8]);
	rb[0] = a[299] + g2 + g3[vu8];
	rb[1] = a[0] + a[255] + a[256];
	rb[2] = g3[2] + g3[19];
	rb[3] = (unsigned char)(g4 >> 8);
	rb[4] = (unsigned char)(5 % vu8 + a[vu8 + 250]);
	rb[5] = g1 + g2;
}
void main(void)
{
	g();
	for (;;) continue;
}
