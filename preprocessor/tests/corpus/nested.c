/* Calls inside the arguments of calls, and arguments over several lines. */
#define MAX(a, b) ((a) > (b) ? (a) : (b))
#define I(x) x
#define PAIR(a, b) {a, b}
#define FIRST(a, b) a
#define SECOND(a, b) b
MAX(MAX(MAX(1, 2), 3), 4);
I(I(I(7))) I(I(I(I(I(I(I(I(8))))))))
PAIR(PAIR(1, 2), PAIR(3, 4))
FIRST((a, b), c) SECOND((a, b), (c, d))
FIRST(PAIR(1, 2), 3) SECOND(1, FIRST(2, 3))
MAX(
  1,
  2
) + 1;
I(
  I(
    3)
  )
#define APPLY2(f, x) f(f(x))
APPLY2(I, 9)
#define CAT(a, b) a ## b
#define XCAT(a, b) CAT(a, b)
XCAT(XCAT(a, b), XCAT(c, d))
#define ARR(a) a[0]
ARR(ARR(ARR(v)))
#define F1(x) F2(x, x)
#define F2(x, y) F3(x, y, x)
#define F3(x, y, z) (x y z)
F1(F1(1))
#define PARENS(x) (x)
PARENS(()) PARENS((())) PARENS(( ,, ))
I((,)) I((a, b)) I(())
