#include <string.h>

char *strcpy(char *to, const char *from)
{
	char *d = to;

	while ((*d++ = *from++) != 0)
		continue;
	return to;
}
