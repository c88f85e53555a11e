/* Pointers to program memory stepped back by constants and by negative
   variables: the 16-bit sum wraps below 64 KiB, and the next read through
   another pointer finds the table pointer's upper byte as it was. */
const unsigned int ka[4] = {101, 202, 303, 404};
const unsigned char kb[4] = {11, 22, 33, 44};
const unsigned int *volatile vp = &ka[3];
const unsigned int *wp = &ka[2];
const unsigned char *bp = &kb[3];
volatile int back = -2;
volatile unsigned int r[6];
volatile unsigned char b[3];

void main(void)
{
	r[0] = *(vp - 1);
	r[1] = *wp;
	r[2] = *(wp - 2);
	r[3] = *(wp + back);
	r[4] = vp[-3];
	b[0] = *(bp - 3);
	b[1] = bp[back];
	b[2] = *bp;
	r[5] = *(vp + back + 1);
	for (;;)
		continue;
}
