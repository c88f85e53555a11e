/* String handling: a line of text split into words, each word's length and
   a hash of it, the words compared in pairs, and the line copied reversed,
   as a command interpreter reads its input.
   RESULTS: word_count:1 hash_sum:2 order_sum:1 longest:1 rev_sum:2 */
#ifdef HOST_CHECK
#include <stdio.h>
typedef unsigned short u16;
#else
typedef unsigned int u16;
void bench_done(void) { for (;;) continue; }
#endif
typedef unsigned char u8;

volatile u8 word_count, order_sum, longest;
volatile u16 hash_sum, rev_sum;
char reversed[24];

const char line[] = "set  speed 120 dir left\tgo now";
char words[8][12];

u8 str_len(const char *s)
{
	const char *p = s;

	while (*p)
		p++;
	return (u8)(p - s);
}

/* -1, 0 or 1 as the first differing character orders the two strings. */
signed char str_cmp(const char *a, const char *b)
{
	while (*a && *a == *b) {
		a++;
		b++;
	}
	if ((u8)*a < (u8)*b)
		return -1;
	return *a != *b;
}

u16 str_hash(const char *s)
{
	u16 h = 5381;

	while (*s)
		h = (h << 5) + h + (u8)*s++;
	return h;
}

u8 split(const char *s)
{
	u8 n = 0, k;

	for (;;) {
		while (*s == ' ' || *s == '\t')
			s++;
		if (*s == 0 || n == 8)
			return n;
		k = 0;
		while (*s && *s != ' ' && *s != '\t') {
			if (k < 11)
				words[n][k++] = *s;
			s++;
		}
		words[n][k] = 0;
		n++;
	}
}

#ifdef HOST_CHECK
int main(void)
#else
void main(void)
#endif
{
	u8 n, i, len, best = 0;
	u8 order = 0;
	u16 h = 0, hs;

	n = split(line);
	for (i = 0; i < n; i++) {
		len = str_len(words[i]);
		if (len > best)
			best = len;
		h += str_hash(words[i]);
		if (i != 0)
			order = (u8)(order * 3 + (u8)(str_cmp(words[i - 1], words[i]) + 1));
	}
	hs = h;
	len = str_len(line);
	for (i = 0; i < len && i < sizeof reversed - 1; i++)
		reversed[i] = line[len - 1 - i];
	reversed[i] = 0;
	h = 0;
	for (i = 0; reversed[i]; i++)
		h = (u16)(h * 7 + (u8)reversed[i]);
	rev_sum = h;
	word_count = n;
	hash_sum = hs;
	order_sum = order;
	longest = best;
#ifdef HOST_CHECK
	printf("word_count=%u\nhash_sum=%u\norder_sum=%u\nlongest=%u\nrev_sum=%u\n", word_count, hash_sum, order_sum, longest,
	       rev_sum);
	return 0;
#else
	bench_done();
#endif
}
