/* Results of the C library: strlen of pointers anywhere into
   two-dimensional arrays in RAM, in program memory and across banks;
   strtol's value (its sign and low 16 bits), end pointer and errno,
   overflow of either sign included; sprintf's flags, widths and
   precisions, and a buffer filled by one call after another. */
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

volatile unsigned char lens[24];
volatile unsigned char ends[10], errs[10], signs[10];
volatile int small[10];
volatile unsigned char counts[8];
volatile char out[112];

char grid[3][5] = {"ab", "cdef", "g"};
const char rom_grid[3][5] = {"ab", "cdef", "g"};
char wide[4][100];

static const char *const numbers[10] = {
	"12345", "  -77x", "0x1F!", "077", "z",
	"99999999999999999999", "-99999999999999999999", "+99999999999999999999 ", "32767", "-0",
};
static const unsigned char bases[10] = {10, 0, 16, 0, 36, 10, 10, 0, 10, 10};

char *end;
char *at;
unsigned char n;
unsigned int k;
int width = 6;

void main(void)
{
	for (n = 0; n < 15; n++)
		lens[n] = strlen(&grid[0][0] + n);
	for (k = 5; k < 11; k++)
		lens[10 + k] = strlen(&rom_grid[0][0] + k);
	strcpy(wide[0], "hello");
	strcpy(wide[3], "world!");
	k = 301;
	lens[21] = strlen(&wide[0][0] + k);
	k = 3;
	lens[22] = strlen(&wide[k][2]);
	lens[23] = strlen(*(grid + 1) + 1);

	for (n = 0; n < 10; n++) {
		errno = 0;
		end = 0;
		small[n] = (int)strtol(numbers[n], &end, bases[n]);
		ends[n] = end - numbers[n];
		errs[n] = errno;
		signs[n] = (strtol(numbers[n], 0, bases[n]) > 0) + 2 * (strtol(numbers[n], 0, bases[n]) < 0);
	}

	at = (char *)out;
	counts[0] = sprintf(at, "%+d|% d|%i|", 5, 6, -7);
	at += counts[0];
	counts[1] = sprintf(at, "%#x|%#o|%X|%x|", 255, 8, 0xBEEF, 0);
	at += counts[1];
	counts[2] = sprintf(at, "%.2s|%*d|%-*d|", "abcdef", width, 42, width, 43);
	at += counts[2];
	counts[3] = sprintf(at, "%5.3d|%.0d|%%|%c|", 7, 0, 'Q');
	at += counts[3];
	counts[4] = sprintf(at, "%u|%d|%05d|", 65535u, -32767, -12);
	at += counts[4];
	counts[5] = sprintf(at, "%8s|%-3s|%.*s|", "abc", "x", 2, "xyz");
	at += counts[5];
	for (n = 0; n < 4; n++)
		at += sprintf(at, "%u,", n * 111);
	counts[6] = strlen((char *)out);
	counts[7] = sprintf(at, "%s", "");
	for (;;)
		continue;
}
