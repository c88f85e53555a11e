/* Pointers to program memory: differences taken where one side is an
   address the compiler knows, a pointer read back from the element of an
   array it was stored in, and one read through a pointer to it (beside a
   pointer to RAM read the same way). Built once with few constants (one-byte
   pointers) and once with enough to need wider ones. */
const unsigned int table[4] = {101, 202, 303, 404};
#ifdef PAD
const unsigned char pad[300] = {1, 2, 3};
#endif
const unsigned int *gp = &table[2];
const unsigned int *steps[3];
const unsigned int **gpp = &gp;
unsigned int word = 505;
unsigned int *wp = &word;
unsigned int **wpp = &wp;
unsigned char at = 1;
volatile int rd[4];
volatile unsigned int rv[3];
volatile unsigned int rw[3];

void main(void)
{
	rd[0] = &table[1] - gp;
	rd[1] = gp - &table[0];
	rd[2] = &table[3] - gp;
	rd[3] = gp - &table[2];
	steps[at] = &table[1];
	rv[0] = *(steps[at] = gp);
	rv[1] = *steps[at];
	rv[2] = *(steps[at] = &table[3]);
	rw[0] = **gpp;
	{
		const unsigned int **lpp = &steps[at];
		rw[1] = **lpp;
	}
	rw[2] = **wpp;
#ifdef PAD
	rv[2] += pad[2];
#endif
	for (;;)
		continue;
}
