#include <errno.h>
#include <string.h>

/* Only the numbers the library itself stores have texts of their own. */
char *strerror(int errnum)
{
	if (errnum == 0)
		return (char *)"No error";
	if (errnum == EDOM)
		return (char *)"Domain error";
	if (errnum == ERANGE)
		return (char *)"Result out of range";
	return (char *)"Unknown error";
}
