/* Elements of arrays whose inner dimension is 1, reached by two counters
   whose sum is the byte offset, and by byte indices around a pointer. */
volatile unsigned char r[12];
unsigned char g1[1][1] = {{0xD0}};
unsigned char g3[3][1] = {{1}, {2}, {3}};
unsigned char h3[1][3] = {{4, 5, 6}};
long l3[3][1] = {{70000L}, {-2L}, {9L}};
unsigned char mid[8] = {10, 11, 12, 13, 14, 15, 16, 17};

void main(void)
{
	int i, j;
	unsigned char k = 0;
	signed char back = -3, on = 2;
	unsigned char *p = &mid[4];
	for (i = 0; i < 1; i++)
		for (j = 0; j < 1; j++)
			r[k++] = g1[i][j];
	for (i = 0; i < 3; i++)
		for (j = 0; j < 1; j++)
			r[k++] = g3[i][j];
	for (i = 0; i < 1; i++)
		for (j = 0; j < 3; j++)
			r[k++] = h3[i][j];
	for (i = 0; i < 3; i++)
		for (j = 0; j < 1; j++)
			r[k++] ^= (unsigned char)(l3[i][j] >> 8);
	r[k++] = (p + back)[on];
	r[k++] = *((p + on) + back);
	for (;;)
		continue;
}
