/* A program as portable C of the late 1980s wrote it, over two files: old-
   style definitions, declarations without prototypes, functions and
   library routines called before any declaration, register variables,
   enumerations used as int, structures passed by pointer, strings copied
   and compared, function pointers in tables and sizeof of type names. */
#define NKEYS 5
#define WORDLEN 8

enum kind { K_NONE, K_WORD, K_NUMBER, K_SIGN = 7 };

struct key {
	char word[WORDLEN];
	int count;
	int kind;  /* an enum kind */
	long weight;
};

struct key keys[NKEYS];
int nkeys;

extern int lookup();  /* in the other file */
long total();
int apply();
long scale();
int kr();

volatile int result[16];
volatile long lresult[4];
volatile unsigned char text[WORDLEN];

/* An old-style definition, called before and after. */
copy(d, s)
char *d, *s;
{
	register int n = 0;
	while ((*d = *s) != 0) {
		d++;
		s++;
		n++;
	}
	return n;
}

int add(a, b)
int a, b;
{
	return a + b;
}

int sub(a, b)
int a, b;
{
	return a - b;
}

int mul(a, b)
int a, b;
{
	return a * b;
}

int (*ops[3])() = {add, sub, mul};

struct action {
	int arg;
	int (*fn)();
} doubling = {21, add};

char first_name[] = "add", last_name[] = "mul";

void enter(w, k, wt)
char *w;
int k;
long wt;
{
	register struct key *p = &keys[nkeys];
	copy(p->word, w);
	p->count = 0;
	p->kind = k;
	p->weight = wt;
	nkeys++;
}

void main(void)
{
	register int i;
	int sum;
	char buf[WORDLEN];
	enter("if", K_WORD, 3L);
	enter("while", K_WORD, 100000L);
	enter("42", K_NUMBER, -2L);
	enter("+", K_SIGN, 7L);
	result[0] = nkeys;
	result[1] = lookup(keys, nkeys, "while");
	result[2] = lookup(keys, nkeys, "else");
	result[3] = lookup(keys, nkeys, "+");
	for (i = 0; i < 3; i++)
		result[4 + i] = (*ops[i])(12, 5);
	result[7] = apply(ops[1], 100, 1);
	copy(buf, "+");
	result[8] = strcmp(buf, keys[3].word) == 0;
	result[9] = strcmp(first_name, last_name) < 0;
	lresult[0] = total(keys, nkeys);
	lresult[1] = scale(&keys[1], 3) + keys[1].weight;
	result[10] = kr('a', 300, 2.5);
	sum = 0;
	for (i = 0; i < nkeys; i++)
		sum += keys[i].kind;
	result[11] = sum;
	result[12] = sizeof(struct key) + sizeof(char [WORDLEN]);
	result[13] = copy(text, keys[1].word);
	result[14] = doubling.fn(doubling.arg, doubling.arg) + keys[0].count + keys[1].count + keys[3].count;
	result[15] = sizeof keys / sizeof keys[0];
	for (;;)
		continue;
}
