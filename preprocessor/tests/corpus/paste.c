/* "##": two tokens joined into one, before either is expanded; the result
   is scanned again. */
#define cat(a, b) a ## b
#define xcat(a, b) cat(a, b)
#define cat3(a, b, c) a ## b ## c
#define HIGHLOW "hello"
#define LOW LOW ", world"
cat(HIGH, LOW); xcat(HIGH, LOW)
cat(1, 2) cat(0x, 1F) cat(1, e) cat(1e, +) cat(., 5) cat(x, 1) cat(_, _)
cat(+, +) cat(-, =) cat(<, <) cat(<<, =) cat(-, >) cat(&, &) cat(|, |) cat(!, =)
cat(=, =) cat(>, >=) cat(%, =) cat(^, =) cat(*, =) cat(/, =) cat(#, #)
cat3(a, b, c) cat3(1, 2, 3) cat3(x, , y) cat3(, , z) cat3(, , )
cat(a b, c d) cat(a, b c) cat(a b, c)
cat(, x) cat(x, ) cat(, )
#define VAL 5
cat(V, AL) cat(VAL, 1) xcat(VAL, 1) cat(VAL, )
#define f(x) [x]
cat(f, )(1) cat(, f)(2) xcat(f, )(3)
#define g(x) cat(x, _suffix)
g(name) g(VAL)
#define obj ab ## cd
obj
#define ab_cd joined
#define join(a) a ## _cd
join(ab)
#define hash_hash # ## #
#define mkstr(a) # a
#define in_between(a) mkstr(a)
#define join2(c, d) in_between(c hash_hash d)
char p[] = join2(x, y);
#define L(x) x ## L
L(1) L(2u)
#define str(x) #x
#define strcat(a, b) str(a) ## b
#define s2(a) #a ## _x
#define num(a, b) a ## . ## b
num(1, 5) num(3, e10)
#define self(x) x ## self
self(my) self()
#define selfcall(x) selfcall ## x (x)
selfcall(1)
