/* Lines, files, includes and white space. */
#include "inc/defs.h"
after_include FROM_HEADER __LINE__
#define LINE __LINE__
LINE
#define STRLINE2(x) #x
#define STRLINE(x) STRLINE2(x)
STRLINE(__LINE__)


two_blank_lines_above





five_blank_lines_above
a	b     c /* comment */ d
	  leading_white_space
x/**/y
#define NOTHING
  NOTHING  NOTHING start
#line 500
five_hundred __LINE__
#line 7 "renamed.c"
seven __LINE__
back \
slash
last
