/* Block-scope extern declarations: the name means the file's object or
   function from the declaration to the end of its block, also where a
   local of that name hides it, and also when the object lives in the
   other file (externs_b.c). */
volatile int r[10];
int v = 3;
static int sv = 5;
int twice(int x) { return 2 * x; }
int from_other_file(void);
int call_in_block(void);
int unhide_nested(void);

int hidden_by_local(void)
{
	int v = 4;
	{
		extern int v;
		return v;
	}
}

/* The store reaches the file's v; the local keeps its value. */
int store_through(void)
{
	int v = 4;
	{
		extern int v;
		v += 10;
	}
	return v;
}

/* Past the block the local is seen again. */
int local_again(void)
{
	int v = 7, s = 0;
	{
		extern int v;
		s = v;
	}
	{
		s += v;
	}
	return s * 100 + v;
}

int hidden_param(int v)
{
	{
		extern int v;
		return v * 10;
	}
}

int static_seen(void)
{
	extern int sv;
	return sv;
}

void main(void)
{
	r[0] = hidden_by_local();
	r[1] = store_through();
	r[2] = v;
	r[3] = local_again();
	r[4] = hidden_param(9);
	r[5] = static_seen();
	r[6] = from_other_file();
	r[7] = call_in_block();
	r[8] = unhide_nested();
	r[9] = v;
	for (;;)
		continue;
}
