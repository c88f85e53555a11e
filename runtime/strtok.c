#include <string.h>

/* The next token of s, or of the string the last call stopped in when s
 * is null; the delimiter after a token becomes a NUL. */
char *strtok(char *s, const char *delimiters)
{
	static char *next;
	char *token;

	if (s == NULL)
		s = next;
	if (s == NULL)
		return NULL;
	s += strspn(s, delimiters);
	if (*s == 0) {
		next = NULL;
		return NULL;
	}
	token = s;
	s += strcspn(s, delimiters);
	if (*s != 0)
		*s++ = 0;
	else
		s = NULL;
	next = s;
	return token;
}
