#include <string.h>

/* Without locales, collation is the plain character order. */
int strcoll(const char *s1, const char *s2)
{
	return strcmp(s1, s2);
}
