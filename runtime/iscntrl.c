#include <ctype.h>

int iscntrl(int c)
{
	return (unsigned int)c < ' ' || c == 0x7F;
}
