/* Const pointers kept in program memory, followed into program memory:
   both reads need the table pointer, so the pointer is read first. */
typedef unsigned int u16;
const u16 krom0[4] = {101, 202, 177, 255};
const u16 *const co0_0 = &krom0[1];
const unsigned char *const cb = (const unsigned char *)&krom0[2];
volatile u16 r0, r1;
volatile unsigned char r2;

unsigned char f(u16 a) { return a + 1; }

void main(void)
{
	r0 = *(co0_0);
	r1 = *co0_0 + 3;
	if (*co0_0 == 202)
		r2 = f(*co0_0);
	r2 += *cb;
	for (;;)
		continue;
}
