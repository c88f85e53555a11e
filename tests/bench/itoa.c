/* Integer to text: unsigned words and signed longs written in decimal and
   words in hexadecimal into a buffer, as a logger formats its readings.
   RESULTS: text_len:2 text_sum:2 last_digit:1 */
#ifdef HOST_CHECK
#include <stdio.h>
typedef unsigned short u16;
typedef int s32;
typedef unsigned int u32;
#else
typedef unsigned int u16;
typedef long s32;
typedef unsigned long u32;
void bench_done(void) { for (;;) continue; }
#endif
typedef unsigned char u8;

volatile u16 text_len, text_sum;
volatile u8 last_digit;

char text[16];

u8 utoa10(char *out, u16 v)
{
	char tmp[6];
	u8 n = 0, k = 0;

	do {
		tmp[n++] = (char)('0' + v % 10);
		v /= 10;
	} while (v != 0);
	while (n != 0)
		out[k++] = tmp[--n];
	out[k] = 0;
	return k;
}

u8 ltoa10(char *out, s32 v)
{
	char tmp[11];
	u8 n = 0, k = 0;
	u32 u = (u32)v;

	if (v < 0) {
		out[k++] = '-';
		u = 0 - u;
	}
	do {
		tmp[n++] = (char)('0' + (u8)(u % 10));
		u /= 10;
	} while (u != 0);
	while (n != 0)
		out[k++] = tmp[--n];
	out[k] = 0;
	return k;
}

u8 utoa16(char *out, u16 v)
{
	u8 k, d;

	for (k = 0; k < 4; k++) {
		d = (u8)(v >> 12);
		out[k] = (char)(d < 10 ? '0' + d : 'A' - 10 + d);
		v <<= 4;
	}
	out[4] = 0;
	return 4;
}

u16 sum_text(u8 n)
{
	u16 s = 0;
	u8 i;

	for (i = 0; i < n; i++)
		s = (u16)(s * 3 + (u8)text[i]);
	return s;
}

#ifdef HOST_CHECK
int main(void)
#else
void main(void)
#endif
{
	u8 i, n;
	u16 len = 0, sum = 0, w = 1;
	s32 l = -1234567;

	for (i = 0; i < 12; i++) {
		n = utoa10(text, w);
		len += n;
		sum += sum_text(n);
		n = utoa16(text, w);
		len += n;
		sum += sum_text(n);
		w = (u16)(w * 7 + 13);
	}
	for (i = 0; i < 6; i++) {
		n = ltoa10(text, l);
		len += n;
		sum += sum_text(n);
		l = l * -3 + 101;
	}
	text_len = len;
	text_sum = sum;
	last_digit = (u8)text[n - 1];
#ifdef HOST_CHECK
	printf("text_len=%u\ntext_sum=%u\nlast_digit=%u\n", text_len, text_sum, last_digit);
	return 0;
#else
	bench_done();
#endif
}
