/* Const data in program memory, read by name, by constant and computed
   index, and through pointers to const; words and bytes. A pointer to
   const that is handed both RAM and program memory reads each. */
const unsigned char table[] = {1, 2, 4, 8, 16, 32, 64, 128};
const unsigned int squares[] = {0, 1, 4, 9, 16, 25, 36, 49, 64, 81};
const unsigned char k = 42;
const unsigned int big = 0xBEEF;
volatile unsigned char s, t, kk;
volatile unsigned int ws, wb, wp;
volatile unsigned char len_rom, len_ram;
const char greeting[] = "hello, world";
char name[8] = "tovra";

unsigned char length(const char *p)
{
	unsigned char n = 0;
	while (*p++)
		n++;
	return n;
}

unsigned char sum_bytes(const unsigned char *p, unsigned char n)
{
	unsigned char total = 0;
	while (n--)
		total += *p++;
	return total;
}

void main(void)
{
	unsigned char i;
	const unsigned int *q = squares + 3;
	s = 0;
	for (i = 0; i < 8; i++)
		s += table[i];
	t = table[5] + sum_bytes(table + 2, 3);
	kk = k;
	ws = 0;
	for (i = 0; i < 10; i++)
		ws += squares[i];
	wb = big;
	wp = q[2] + *q;
	len_rom = length(greeting);
	len_ram = length(name);
	for (;;) continue;
}
