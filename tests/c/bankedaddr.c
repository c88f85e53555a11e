/* The address of an object in a bank of its own, worked into a temporary
   and read there: the temporary's bank decides its access, not the
   object's. */
volatile char out[16] @ 0x150;
volatile char far_side[4] @ 0x2F0;
volatile unsigned char r[6];
char *at;
unsigned char n = 3;

void main(void)
{
	at = (char *)out + 5;
	r[0] = at - (char *)out;
	r[1] = (char *)out + 9 - at;
	r[2] = at == (char *)out + 5;
	r[3] = (unsigned char)(unsigned int)(char *)far_side;
	at = (char *)far_side + n;
	r[4] = at - (char *)far_side;
	r[5] = (char *)out < at;
	for (;;)
		continue;
}
