/* Functions whose address the program takes but never calls through: the
   address is tested, compared, chosen by ?:, passed on or kept in a table,
   so each function must still be in the program. */
volatile unsigned char ok[8];
int fa(int x) { return x + 7; }
int fb(int x) { return x * 3; }
int fc(int x) { return x - 1; }
int fd(int x) { return x ^ 5; }
int (*const table[2])(int) = {fc, fd};
int (*gp)(int) = fb;
unsigned char pick = 1;

int same(int (*p)(int), int (*q)(int)) { return p == q; }

void main(void)
{
	ok[0] = !fa;
	ok[1] = fa != 0;
	ok[2] = (pick ? fa : fb) == fa;
	ok[3] = same(fa, fb);
	ok[4] = gp == fb;
	ok[5] = table[pick] != 0;
	ok[6] = table[0] == table[1];
	ok[7] = gp ? 2 : 3;
	for (;;)
		continue;
}
