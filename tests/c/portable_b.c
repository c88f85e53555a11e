/* The other file: what the first calls through declarations without
   prototypes, some defined old-style, some with prototypes. */
struct key {
	char word[8];
	int count;
	int kind;
	long weight;
};

int lookup(struct key *tab, int n, char *w)
{
	register int i;
	for (i = 0; i < n; i++)
		if (strcmp(tab[i].word, w) == 0) {
			tab[i].count++;
			return i;
		}
	return -1;
}

long total(tab, n)
struct key *tab;
int n;
{
	long t = 0;
	while (n-- > 0) {
		t += tab->weight;
		tab++;
	}
	return t;
}

int apply(f, a, b)
int (*f)();
int a, b;
{
	return (*f)(a, b) + (*f)(b, a);
}

long scale(struct key *k, int by)
{
	k->weight = k->weight * by;
	return k->weight / 2;
}

int kr(c, s, x)
char c;
short s;
float x;
{
	return c + s + (int)(x * 2);
}
