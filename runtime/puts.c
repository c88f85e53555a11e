#include <stdio.h>

/* The string and a new-line. */
int puts(const char *s)
{
	while (*s)
		putch(*s++);
	putch('\n');
	return 0;
}
