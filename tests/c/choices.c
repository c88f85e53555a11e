/* A conditional between two objects read through pointers: the chosen
   pointer keeps what it points to, so a const object in RAM is read from
   RAM and one in program memory from there. */
volatile unsigned char r[6];
const unsigned char table[3] = {7, 8, 9};
unsigned char ram[3] = {4, 5, 6};
unsigned int on = 0xFFFF, off = 0;

void main(void)
{
	const unsigned char local = 128;
	const unsigned char *ql = &local, *qt = &table[1];
	unsigned char *qr = &ram[2];
	r[0] = (unsigned char)(r[0] + (unsigned char)(on ? *ql : *ql) + 1);
	r[1] = off ? *qt : *qt;
	r[2] = on ? *qr : *qr;
	r[3] = on ? *ql : *qt;
	r[4] = off ? *ql : *qr;
	r[5] = on ? *qt : *qr;
	for (;;)
		continue;
}
