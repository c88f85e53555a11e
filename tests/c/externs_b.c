/* The other file: the block-scope externs name objects and functions that
   the first file defines. */
int from_other_file(void)
{
	int v = 4;
	{
		extern int v;
		v++;
		return v;
	}
}

/* A function declared in a block where a local hides its name. */
int call_in_block(void)
{
	int twice = 10, s;
	{
		extern int twice(int);
		s = twice(21);
	}
	return s + twice;
}

/* Each block's declaration holds until the block ends. */
int unhide_nested(void)
{
	int v = 5, s;
	{
		extern int v;
		s = v;
		{
			int v = 7;
			s += 10 * v;
			{
				extern int v;
				s += 100 * v;
			}
			s += 1000 * v;
		}
		s = s * 2 + v;
	}
	return s + v;
}
