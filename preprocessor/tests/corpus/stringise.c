/* "#": the argument as written, white space reduced, quotes and the
   backslashes inside literals escaped. */
#define str(s) #s
#define xstr(s) str(s)
#define VERSION 4
#define NAME vers
str(VERSION) xstr(VERSION) str(NAME VERSION) xstr(NAME VERSION)
str(  leading and   inner  and trailing   )
str( a /* comment */ b )
str("string" 'c' "with \"quote\"" '\'' "back\\slash" '\\')
str(x\n) str(a \ b)
str(f(1, 2)) str((a, b)) str([a])
str() str( )
str(str(x)) xstr(str(x))
str(+ - * /) str(++ --) str(a+b) str(a + b)
xstr(__LINE__) str(__LINE__)
str(
  over
  lines
)
#define msg(x, y) #x ": " #y
msg(one, two) msg(  3  ,  4  )
#define q(x) str(x) #x
q(VERSION)
#define quoted(s) #s "!"
quoted("a" "b")
