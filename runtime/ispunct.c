#include <ctype.h>

/* Printing characters other than space, letters and digits. */
int ispunct(int c)
{
	return (unsigned int)(c - '!') < 0x7F - '!' && (unsigned int)(c - '0') > 9 && (unsigned int)((c | 0x20) - 'a') > 25;
}
