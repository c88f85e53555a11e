/* Names in literals, a function-like name before a directive line,
   trigraphs, redefinition and include guards. */
#define NAME replaced
#define f(x) <x>
"NAME in a string" 'N' NAME
f
#define AFTER 1
(AFTER)
f /* comment */ (2)
??=define TRI ??( ??)
TRI ??< ??> ??! ??' ??-
#define X 1
#undef X
#define X 2
X
#ifndef GUARD
#define GUARD
guarded_once
#endif
#ifndef GUARD
guarded_twice
#endif
#define f2(a, b) a + b
f2((1, 2), [3])
f2(,)
#define g(x) x
g(g)(4)
#define str(x) #x
str('"') str("'") str('\\') str("\\\"")
#define obj(x) x obj
obj(obj)(1)
#define F(a) a*G
#define G(a) F(a)
F(2)(9)(7)
#define NIL(x) x
NIL(NIL)(NIL)(5)
