/* A name met inside its own expansion stays as it is, for good. */
#define foo foo
foo;
#define bar a bar b
bar;
#define x (4 + y)
#define y (2 * x)
x; y;
#define f(a) a + f(a)
f(1); f(f(2));
#define g(a) a(g)
g(g); g(f);
#define h(a) h(a) + a
h(h(1));
#define EXPAND(m) m
#define SELF SELF EXPAND(SELF)
SELF
#define AA BB
#define BB AA
AA BB;
#define ff(x) gg(x
#define gg(x) x ff
ff(1)(2));
#define q(x) x q
q(1)(2)(3)
#define lst(x) x
#define ref lst(ref)
ref lst(ref)
