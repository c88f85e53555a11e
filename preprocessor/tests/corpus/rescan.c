/* Rescanning: the result of an expansion is scanned again together with the
   text that follows it. */
#define ONE 1
#define TWO ONE + ONE
#define FOUR TWO * TWO
FOUR;
#define PAREN (
#define f(x) [x]
#define g f
#define h f(
g(1) g (2) g
(3) h 4) h 5);
#define APPLY(m, a) m(a)
APPLY(f, 6) APPLY(g, 7) APPLY(APPLY, f) (8)
#define CALL_LATER f
CALL_LATER + CALL_LATER(9)
#define id(x) x
id(f)(10) id(id)(id)(11)
#define EMPTY
f EMPTY (12)
#define LPAREN (
f LPAREN 13)
#define comma ,
#define two(a, b) a|b
two(1 comma 2, 3)
#define defer(m) m EMPTY
#define later(x) x
defer(later)(14)
#define obj_then_fn f
obj_then_fn
(15)
#define nest3(x) nest2(x) + nest2(x)
#define nest2(x) nest1(x) * nest1(x)
#define nest1(x) (x)
nest3(a+b);
