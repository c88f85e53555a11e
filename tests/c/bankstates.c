/* Bank selections proved across the blocks of a function whose compiled
   stack spans three banks: lo lies in bank 0, hi in bank 1, z in bank 2
   (fill pushes the block out of access RAM). Each block starts from the
   bank its predecessors leave, worked out where the locals really lie: a
   block after the store to hi must not read lo or z with hi's bank. */
typedef unsigned char u8;
volatile u8 r[4];
volatile u8 sel = 3;
u8 fill[150];

void f(void)
{
	u8 lo[2];
	u8 unused[60];
	u8 pad[300];
	u8 hi[2];
	u8 pad2[60];
	u8 z[2];
	hi[0] = 0;
	pad[sel] = 7;
	pad2[sel] = 9;
	lo[0] = sel;
	z[0] = sel;
	z[1] = fill[sel] + 4;
	if (z[0] & 1)
		hi[0] = 5;
	r[0] = z[0] + z[1];
	r[1] = hi[0];
	r[2] = pad[3] + pad2[3] + lo[0];
	r[3] = 0x5A;
}

void main(void)
{
	f();
	for (;;)
		continue;
}
