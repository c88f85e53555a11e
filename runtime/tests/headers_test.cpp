// The installation's headers go through the front end: a program that
// includes them all, checks their sizes in the preprocessor and in the
// parser, and calls what they declare, compiles without a message.
#include <gtest/gtest.h>

#include <string>

#include "tests/e2e.h"

namespace {

using e2e::folder;
using e2e::program;

const char all_headers[] = R"(#include <limits.h>
#include <stddef.h>
#include <errno.h>
#include <string.h>
#include <ctype.h>
#include <stdlib.h>
#include <stdarg.h>
#include <stdio.h>
#include <math.h>

#if CHAR_BIT != 8 || SCHAR_MIN != -128 || SCHAR_MAX != 127 || UCHAR_MAX != 255
#error "char limits"
#endif
#if CHAR_MIN != 0 || CHAR_MAX != 255
#error "plain char limits"
#endif
#if SHRT_MIN != -32768 || SHRT_MAX != 32767 || USHRT_MAX != 65535
#error "short limits"
#endif
#if INT_MIN != -32768 || INT_MAX != 32767 || UINT_MAX != 65535 || sizeof(int) * CHAR_BIT != 16
#error "int limits"
#endif
#if LONG_MAX != 2147483647 || LONG_MIN + 1 != -LONG_MAX || ULONG_MAX != 4294967295
#error "long limits"
#endif
#if sizeof(long) * CHAR_BIT != 32 || sizeof(short long) * CHAR_BIT != 24
#error "type sizes"
#endif
#if RAND_MAX != 32767 || EDOM == ERANGE
#error "stdlib and errno"
#endif

/* The parser's sizes and values, read back from the array sizes in its
   output (it leaves offsetof and the size of a structure to the code
   generator, so neither can stand here). */
struct pair { char c; long l; };
static unsigned int member_offset = offsetof(struct pair, l);
static char size_t_size[sizeof(size_t)];
static char ptrdiff_t_size[sizeof(ptrdiff_t)];
static char wchar_t_size[sizeof(wchar_t)];
static char int_min_size[sizeof(INT_MIN)];
static char uint_max_size[sizeof(UINT_MAX)];
static char long_min_size[sizeof(LONG_MIN)];
static char plain_char_minus_one[(char)-1];
static char maxima_wrap[(unsigned char)-1 == UCHAR_MAX && (unsigned int)-1 == UINT_MAX
	&& (unsigned long)-1 == ULONG_MAX && INT_MIN + 1 == -INT_MAX && LONG_MIN + 1 == -LONG_MAX];

static int by_value(const void *a, const void *b)
{
	return *(const char *)a - *(const char *)b;
}

void putch(char c)
{
	(void)c;
}

/* A printf-like function of the program's own, over vsprintf; it also
   reads its first argument itself. */
static char line[40];
static int say(const char *format, ...)
{
	va_list ap;
	int first;

	va_start(ap, format);
	first = va_arg(ap, int);
	va_end(ap);
	va_start(ap, format);
	vsprintf(line, format, ap);
	va_end(ap);
	return first + puts(line) + putchar('\n');
}

static double maths(double x)
{
	double whole;
	int e;

	x = sqrt(fabs(x)) + exp(x) + log(x) + log10(x) + pow(x, 2.5) + fmod(x, 3.0);
	x += sin(x) + cos(x) + tan(x) + asin(x) + acos(x) + atan(x) + atan2(x, 1.0);
	x += sinh(x) + cosh(x) + tanh(x) + floor(x) + ceil(x) + modf(x, &whole) + whole;
	return ldexp(frexp(x, &e), e) + HUGE_VAL + atof("1.5") + strtod("2e3", NULL);
}

int main(void)
{
	char text[16];
	char *end;
	div_t d = div(7, 2);
	ldiv_t l = ldiv(70000L, 3L);

	memset(text, 0, sizeof text);
	strncpy(text, "3 2 1", sizeof text - 1);
	qsort(text, strlen(text), 1, by_value);
	if (bsearch("2", text, strlen(text), 1, by_value) == NULL || strchr(text, '4') != NULL)
		return 1;
	l.quot += strtol(text, &end, 0) + atol("5") + (long)strtoul(end, NULL, 16);
	srand(7);
	printf("%s %d %5.2f\n", text, d.rem, maths(1.5));
	sprintf(text, "%lx", l.rem);
	return d.quot + (int)l.quot + atoi(text) + abs(rand()) + isdigit(text[0]) + toupper('a')
		+ errno + (int)member_offset + say("%d", 1);
}
)";

TEST(Headers, EveryHeaderPassesTheFrontEnd) {
  folder dir;
  dir.write("main.c", all_headers);
  dir.write("registry", "");
  std::string env = "TOVRA18_REGISTRY='" + (dir / "registry") + "' ";
  ASSERT_EQ(dir.run(env + program("tovra18") + " --chip=18F452 --pass1 main.c"), 0) << dir.read("out") << dir.read("err");
  EXPECT_EQ((dir.read("out") + dir.read("err")).find("main.c"), std::string::npos) << dir.read("out") << dir.read("err");
  std::string code = dir.read("main.parsk");
  EXPECT_NE(code.find("[v _strtoul `(ul"), std::string::npos) << code;
  EXPECT_NE(code.find("[v _bsearch `(*v"), std::string::npos) << code;
  // The variable-argument built-ins reach the code generator marked as
  // such, so that it rewrites their calls.
  EXPECT_NE(code.find("[p i ___va_start ]"), std::string::npos) << code;
  EXPECT_NE(code.find("[p i ___va_arg ]"), std::string::npos) << code;
  // The checked formats' features reach the intermediate code.
  EXPECT_NE(code.find("[p f _printf "), std::string::npos) << code;
  EXPECT_NE(code.find("[p f _sprintf "), std::string::npos) << code;
  const struct {
    const char *array;
    int size;
  } sizes[] = {
      {"size_t_size", 2}, {"ptrdiff_t_size", 2}, {"wchar_t_size", 1},
      {"int_min_size", 2}, {"uint_max_size", 2}, {"long_min_size", 4}, {"plain_char_minus_one", 255},
      {"maxima_wrap", 1},
  };
  for (const auto &k : sizes) {
    std::string record = "[v _" + std::string(k.array) + " `uc -> " + std::to_string(k.size) + " `ux s ]";
    EXPECT_NE(code.find(record), std::string::npos) << record << "\n" << code;
  }
}

// The preprocessor's checks do stop the front end: the same program with
// one turned around fails.
TEST(Headers, AFailingCheckStopsTheFrontEnd) {
  std::string text = all_headers;
  const std::string check = "#if CHAR_MIN != 0";
  text.replace(text.find(check), check.size(), "#if CHAR_MIN == 0");
  folder dir;
  dir.write("main.c", text);
  dir.write("registry", "");
  std::string env = "TOVRA18_REGISTRY='" + (dir / "registry") + "' ";
  EXPECT_NE(dir.run(env + program("tovra18") + " --chip=18F452 --pass1 main.c"), 0);
  EXPECT_NE((dir.read("out") + dir.read("err")).find("plain char limits"), std::string::npos)
      << dir.read("out") << dir.read("err");
}

}  // namespace
