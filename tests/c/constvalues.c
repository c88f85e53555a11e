/* Values of const-qualified structure types: returned, passed, chosen and
   stored. Such a value is worked out in RAM; only a const object of static
   storage duration lies in program memory. */
volatile unsigned char ok[8];
struct big { signed char a; int b; long c; };
struct small { unsigned char a, b; };
struct big g = {1, 2, 3};
const struct big k = {4, 5, 6};
struct small gs = {7, 8};
struct big h;
struct small hs;
unsigned char pick = 1;

static const struct big from_global(void) { return g; }
static const struct big from_table(void) { return k; }
static const struct small small_one(void) { return gs; }
static int sum(const struct big v) { return v.a + v.b + (int)v.c; }

void main(void)
{
	const struct big local = {9, 10, 11};
	h = from_global();
	ok[0] = h.a == 1 && h.b == 2 && h.c == 3;
	h = from_table();
	ok[1] = h.a == 4 && h.c == 6;
	hs = small_one();
	ok[2] = hs.a == 7 && hs.b == 8;
	ok[3] = sum(local) == 30;
	ok[4] = from_global().b == 2;
	h = pick ? local : k;
	ok[5] = h.a == 9;
	ok[6] = sum(from_table()) == 15;
	ok[7] = small_one().b == 8;
	for (;;)
		continue;
}
