/* Signs of bit objects: a bit is promoted to int as any operand of an
   arithmetic operator, so -b is 0 or -1 and +b is 0 or 1, in a value, a
   sum, a condition, an argument and a return. */
volatile int r[8];
bit gb;
volatile bit vb;

int arg(int v) { return v; }
int negated(void) { return -gb; }

void main(void)
{
	gb = 1;
	vb = 1;
	r[0] = -gb;
	r[1] = -(vb);
	r[2] = +vb;
	r[3] = -gb - -vb + 5;
	r[4] = arg(-vb);
	if (-gb < 0)
		r[5] = 1;
	gb = 0;
	r[6] = -gb;
	r[7] = negated() + 2 * arg(-vb);
	for (;;)
		continue;
}
