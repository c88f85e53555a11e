#include <string.h>

char *strcat(char *to, const char *from)
{
	char *d = to;

	while (*d != 0)
		d++;
	while ((*d++ = *from++) != 0)
		continue;
	return to;
}
