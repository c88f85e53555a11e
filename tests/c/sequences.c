/* Comma expressions nested in calls' arguments: the left of each comma is
   done before its right, also where the right holds a comma of its own
   whose left stores to what the outer left's call stored to, or a value
   of && worked out in jumps ahead of the call. */
union word {
	unsigned long a;
	unsigned long b;
};
volatile signed char r[8];
signed char g = -2, h = 5;
union word w0 = {0xFFFFFFF7UL}, w1 = {7};
long lv;
signed char *p = &g;
unsigned char calls;

signed char set_one(void) { *p = 1; calls++; return 0; }
int neg(int x) { return -x; }
long mod(long a, long b) { return a % b; }

void main(void)
{
	r[0] = neg((set_one() <= 3, (int)mod(((g = 0) ^ 1), h)));
	r[1] = g;
	g = -2;
	r[2] = neg((set_one(), (!(mod(g = 3, 2), h)) == 0));
	r[3] = g;
	r[4] = (signed char)mod((set_one(), (g = 6, g + 1)), 4);
	r[5] = g + (signed char)calls;
	r[6] = (signed char)mod((g = 4, neg(g > 3 && h)), 7) + (signed char)mod((w1 = w0, neg((lv = w1.b) && h)), 9);
	r[7] = (signed char)lv;
	for (;;)
		continue;
}
