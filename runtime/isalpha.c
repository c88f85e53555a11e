#include <ctype.h>

/* Setting bit 5 makes an upper-case letter lower-case and leaves no other
 * character a letter. */
int isalpha(int c)
{
	return (unsigned int)((c | 0x20) - 'a') <= 25;
}
