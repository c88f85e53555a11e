#include <ctype.h>

/* One unsigned comparison tests both ends of a range, and turns EOF and
 * other negative values down. */
int isdigit(int c)
{
	return (unsigned int)(c - '0') <= 9;
}
