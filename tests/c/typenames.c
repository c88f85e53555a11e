/* Type names with abstract declarators in sizeof, casts and prototypes:
   each stands in a typedef of its own, which defines no function, and a
   length worked out from one is the length of its array. The
   sizes are this target's: code pointers of two bytes, data pointers of a
   type name of three. */
volatile int r[12];
int sz = sizeof(void (*)(void));
int nine[sizeof(char *[3])];  /* a length only the code generator knows */
int acc;
int m2[2][4] = {{1, 2, 3, 4}, {5, 6, 7, 8}};

void bump(int k) { acc += k; }
void twice(void (*f)(int), int k) { f(k); f(k); }
void apply(void (*)(int), int);
void apply(void (*g)(int), int k) { g(k + 1); }
int sum4(int (*)[4]);
int sum4(int (*m)[4]) { return m[0][0] + m[0][3] + m[1][0]; }

void main(void)
{
	int (*pm)[4];
	void (*hold)(int);
	r[0] = sz;
	r[1] = sizeof(void (*)(void));
	r[2] = sizeof(int (*)[4]);
	r[3] = sizeof(char *[3]);
	r[4] = sizeof(int *(*)(int));
	r[5] = sizeof(long (*[2])(char));
	r[6] = sizeof(int (*(*)(void))[3]);
	r[7] = (int)(void (*)(int))0;
	twice(bump, 3);
	apply(bump, 4);
	pm = (int (*)[2][4])m2 == 0 ? 0 : (int (*)[4])m2;
	r[8] = sum4(pm);
	hold = (void (*)(int))bump;
	hold(10);
	r[9] = acc;
	r[10] = sizeof(int (*)(int (*)[4])) + sizeof(char (*)[7]);
	r[11] = sizeof nine / sizeof nine[0] + sizeof nine;
	for (;;) continue;
}
