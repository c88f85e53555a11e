/* 16-bit moves, addition, subtraction and compares, signed and unsigned. */
volatile unsigned int usum, udiff, ucount;
volatile int ssum, sdiff, scount;
unsigned int ua, ub;
int sa, sb;

void main(void)
{
	ua = 40000; ub = 30000;
	sa = -1000; sb = 300;
	usum = ua + ub;
	udiff = ua - ub;
	ssum = sa + sb;
	sdiff = sb - sa;
	usum += 7;
	ssum -= 2;
	if (ua > ub) ucount++;
	if (ua < ub) ucount += 16;
	if (ua == 40000u) ucount += 256;
	if (sa < sb) scount++;
	if (sa >= sb) scount += 16;
	if (sa != -1000) scount += 256;
	for (;;) continue;
}
