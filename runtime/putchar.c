#include <stdio.h>

int putchar(int c)
{
	putch((char)c);
	return (unsigned char)c;
}
