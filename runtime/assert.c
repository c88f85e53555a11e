#include <assert.h>
#include <stdio.h>

/* Writes "file: line: assertion failed: expression" and a new-line through
   the program's putch, then never returns. */
void __assert_fail(const char *expression, const char *file, unsigned int line)
{
	char digits[5];
	unsigned char n = 0;

	while (*file)
		putch(*file++);
	putch(':');
	putch(' ');
	do {
		digits[n++] = (char)('0' + line % 10);
		line /= 10;
	} while (line);
	while (n)
		putch(digits[--n]);
	for (file = ": assertion failed: "; *file; file++)
		putch(*file);
	while (*expression)
		putch(*expression++);
	putch('\n');
	for (;;)
		continue;
}
