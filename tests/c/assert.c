/* assert: under NDEBUG its operand is not evaluated; a true assertion does
   nothing, in a statement, an arm of ?: or a comma expression; a false one
   writes file, line and expression through putch and stops there. */
#define NDEBUG
#include <assert.h>
typedef unsigned char u8;
volatile u8 evaluated;

static void quiet(void)
{
	assert(++evaluated == 0);
}

#undef NDEBUG
#include <assert.h>
char out[40];
volatile u8 n, reached;

void putch(char c)
{
	if (n < sizeof out)
		out[n++] = c;
}

void main(void)
{
	u8 x = 3;
	quiet();
	assert(x == 3);
	x ? assert(x) : (void)0;
	reached = (assert(x != 0), 1);
	assert(x == 4);
	reached = 2;
	for (;;)
		continue;
}
