/* Pointers into program memory and function pointers, which take three
 * bytes on a chip with more than 64 KiB of it. */
const unsigned char krom[6] = {1, 2, 3, 4, 5, 6};
const int kwords[3] = {-300, 7, 1000};
const char greeting[] = "hello";
unsigned char ram[3] = {9, 8, 7};
int ramwords[3] = {-1, 555, 3};
/* Large enough that an index into it is not cut to a byte. */
const unsigned char wide[300] = {11, 12, 13, 14, 15, 16, 17, 18};

static int fa(int x) { return x + 1; }
static int fb(int x) { return x * 2; }
static int fc(int x) { return x - 5; }
int (*pfn)(int);
int (*const table[3])(int) = {fa, fb, fc};
int (*ftable[3])(int) = {fc, fa, fb};

struct op {
	unsigned char code;
	int (*run)(int);
};
struct op ops[2] = {{1, fb}, {2, fc}};

const unsigned char *pk;
const unsigned char *pq;
const int *pw;
volatile unsigned char i = 2, j = 1;
volatile int ix = 3, nx = -2;
volatile unsigned int ux = 1;
volatile signed char sc = -1;

volatile unsigned char r[8];
volatile unsigned char cmp[8];
volatile int calls[8];
volatile unsigned char text[8];
volatile int words[4];
volatile unsigned char steps[5];
volatile int more[6];

static unsigned char length(const char *s) {
	unsigned char n = 0;
	while (*s++) n++;
	return n;
}

static unsigned char sum(const unsigned char *p, unsigned char n) {
	unsigned char t = 0;
	while (n--) t += *p++;
	return t;
}

static int second(const int *p) { return p[1]; }

static int apply(int (*f)(int), int v) { return f(v); }

void main(void) {
	pfn = i ? fa : fb;
	r[0] = pfn(3);
	pk = krom;
	r[1] = pk[i];
	r[2] = *(pk + 1);
	r[3] = krom[i + 1];
	/* Arithmetic: steps forward and back, differences. */
	pq = pk + 5;
	r[4] = *pq;
	pq -= i;
	r[5] = *pq;
	r[6] = *--pq;
	r[7] = (unsigned char)(pq - pk);
	/* Comparisons of pointers and of function pointers. */
	cmp[0] = pq == pk;
	cmp[1] = pq != pk;
	cmp[2] = pq > pk;
	cmp[3] = pq <= pk + 2;
	cmp[4] = pfn == fa;
	cmp[5] = pfn != fb;
	cmp[6] = !pk;
	cmp[7] = pk < pq && pq < krom + 6;
	/* Arrays of function pointers, in program memory and in RAM, and a
	 * structure member that is one. */
	calls[0] = table[i](10);
	calls[1] = table[j](10);
	calls[2] = ftable[i](10);
	pfn = ftable[0];
	calls[3] = pfn(20);
	calls[4] = ops[j].run(30);
	calls[5] = ops[0].run(ops[1].code);
	calls[6] = apply(table[0], -4);
	calls[7] = apply(i > j ? fc : fb, 100);
	/* Strings and const data passed to functions. */
	text[0] = length(greeting);
	text[1] = length("ab");
	text[2] = length(greeting + i);
	text[3] = sum(krom, 6);
	text[4] = sum(pk + i, 3);
	text[5] = greeting[i];
	text[6] = *(greeting + 4);
	text[7] = sum(ram, 3);
	/* Words read through a pointer. */
	pw = kwords;
	words[0] = *pw;
	words[1] = pw[i];
	pw++;
	words[2] = *pw;
	words[3] = pw[-1] + pw[1];
	/* Pointers moved by word and byte indexes of either sign. */
	pq = pk + ix;
	steps[0] = *pq;
	pq = pq + nx;
	steps[1] = *pq;
	pq = pq - nx;
	steps[2] = *pq;
	pq = pq + sc;
	steps[3] = *pq;
	pq = pq + ux;
	steps[4] = *pq;
	/* Word indexes into a large table, and words read through a pointer
	 * that reaches RAM and program memory. */
	pq = wide + 4;
	more[0] = pq[nx];
	pq = pq - nx;
	more[1] = *pq;
	pq = pq + ix;
	more[2] = pq[nx];
	more[3] = second(kwords);
	more[4] = second(ramwords);
	more[5] = second(pw);
	for (;;) continue;
}
