/* Pointers to RAM: a pointer set to an array, walked, read and written. */
volatile unsigned char dst[6];
volatile unsigned char total;
unsigned char src[6];
unsigned char *p;
volatile unsigned char *q;
unsigned char k;

void main(void)
{
	for (k = 0; k < 6; k++) src[k] = k * 3 + 1;
	p = src;
	q = dst;
	for (k = 0; k < 6; k++) {
		*q = *p + 1;
		total += *p;
		p++;
		q++;
	}
	for (;;) continue;
}
