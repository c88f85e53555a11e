/* setjmp and longjmp: out of calls nested three deep, twice, then with 0;
   setjmp's results are 0, the value passed, and 1 for 0. An auto unchanged
   since setjmp keeps its value, as does a volatile one changed since. */
#include <setjmp.h>
typedef unsigned char u8;
jmp_buf env;
volatile int results[4];
volatile u8 trail[8], depth, steps, done;

static void inner(int v)
{
	trail[steps++] = depth;
	longjmp(env, v);
	trail[steps++] = 0xEE;
}

static void middle(int v)
{
	depth = 2;
	inner(v);
	depth = 0xEE;
}

static void outer(int v)
{
	depth = 1;
	middle(v);
	depth = 0xEE;
}

void main(void)
{
	u8 kept = 0x5A;
	volatile u8 rounds = 0;
	int r = setjmp(env);
	results[rounds] = r;
	trail[steps++] = kept;
	if (++rounds == 1)
		outer(300);
	else if (rounds == 2)
		outer(-2);
	else if (rounds == 3)
		outer(0);
	done = 1;
	for (;;)
		continue;
}
