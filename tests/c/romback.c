/* Steps back from a pointer to program memory that takes three bytes: the
   negative offset must borrow from the upper byte of the table pointer,
   and later reads of const data must still find it. */
const unsigned int table[6] = {101, 202, 303, 404, 505, 606};
const unsigned char bytes[4] = {7, 8, 9, 10};
const unsigned int *steps[3];
const unsigned char *bsteps[2];
unsigned char at = 1;
volatile signed char back = -2;
volatile int iback = -3;
volatile unsigned int r[9];
volatile unsigned char rb[3];

unsigned int before(void) { return *(steps[at] - 1); }
unsigned int by_char(void) { return *(steps[at] + back); }
unsigned int by_int(void) { return *(steps[at] + iback); }

void main(void)
{
	unsigned char i;
	unsigned int sum = 0;
	steps[at] = &table[4];
	bsteps[at] = &bytes[3];
	r[0] = before();
	r[1] = table[1];
	r[2] = by_char();
	r[3] = by_int();
	r[4] = *(steps[at] - 4);
	r[5] = *(steps[at] - 3);
	for (i = 0; i < 4; i++)
		sum += *(steps[at] - 1) + i;
	r[6] = sum;
	r[7] = table[5];
	r[8] = *(steps[at] + 1);
	rb[0] = *(bsteps[at] - 1);
	rb[1] = bsteps[at][back];
	rb[2] = bytes[0];
	for (;;)
		continue;
}
