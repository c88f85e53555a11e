// printf and its kin (doprnt.c), compiled by the host with the target's
// widths, against the host's snprintf over tables of formats and values:
// integers of the target's 16 and 32 bits, strings, and floats of both
// formats, whose exact values the host prints from the float it converts
// them to. Then the builds with fewer features: what they leave out is
// written as it stands, and a build for sprintf alone needs no putch.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/tests/doprnt_host.h"
#include "runtime/tests/fp_patterns.h"

namespace {

std::string putch_output;

}  // namespace

void doprnt_full32::putch(char c) { putch_output += c; }
void doprnt_full24::putch(char c) { putch_output += c; }
void doprnt_decimal::putch(char c) { putch_output += c; }
void doprnt_fixed::putch(char c) { putch_output += c; }

namespace {

// Our sprintf and the host's on the same format, each with its own
// arguments; both give the text and the count.
struct printed {
  std::string text;
  int count;
};

using sprintf_fn = target::t_s16 (*)(char *, const char *, ...);

template <class... A>
printed ours(sprintf_fn f, const char *format, A... args) {
  char buf[512];
  memset(buf, '#', sizeof buf);
  int n = f(buf, format, args...);
  return {std::string(buf), n};
}

template <class... A>
printed ours32(const char *format, A... args) {
  return ours(doprnt_full32::sprintf, format, args...);
}

template <class... A>
printed ours24(const char *format, A... args) {
  return ours(doprnt_full24::sprintf, format, args...);
}

template <class... A>
printed host(const char *format, A... args) {
  char buf[512];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
  int n = snprintf(buf, sizeof buf, format, args...);
#pragma GCC diagnostic pop
  return {std::string(buf), n};
}

void expect_same(const printed &mine, const printed &theirs, const std::string &what) {
  EXPECT_EQ(mine.text, theirs.text) << what;
  EXPECT_EQ(mine.count, theirs.count) << what;
}

// ---- integers ----

const int16_t int_values[] = {0, 1, -1, 7, 8, 9, 10, 15, 16, 99, 100, -100, 255, 256, 4095, 12345, -12345, 32767, -32768, -9};

bool is_signed_conversion(const char *format) {
  char c = format[strlen(format) - 1] == '|' ? format[strlen(format) - 2] : format[strlen(format) - 1];
  return c == 'd' || c == 'i';
}

TEST(Printf, IntsMatchTheHost) {
  const char *const formats[] = {
      "%d",   "%i",    "%5d",   "%-5d|",  "%05d",   "%+d",   "% d",   "%+ d",   "%.3d",  "%8.3d", "%-8.3d|",
      "%08.3d", "%.0d", "%+.0d", "%-+6d|", "%0-6d|", "%u",    "%5u",   "%o",     "%#o",   "%#.0o", "%#5o",
      "%#.4o", "%x",    "%#x",   "%#08x",  "%-#8x|", "%X",    "%#X",   "%.5X",   "%.0x",  "%#.0x", "%hd",
      "%hu",  "%hhd",  "%hhu",  "%hhx",   "%+hhd",  "%bd",   "%05.0u", "%+05d", "% 05d",
  };
  for (const char *format : formats) {
    for (int16_t v : int_values) {
      std::string what = std::string(format) + " of " + std::to_string(v);
      std::string host_format = format;
      if (host_format == "%bd") host_format = "%hhd";
      if (is_signed_conversion(format))
        expect_same(ours32(format, int(v)), host(host_format.c_str(), int(v)), what);
      else
        expect_same(ours32(format, int(uint16_t(v))), host(host_format.c_str(), unsigned(uint16_t(v))), what);
    }
  }
}

TEST(Printf, LongsMatchTheHost) {
  const char *const formats[] = {"%ld", "%li", "%12ld", "%-12ld|", "%+ld", "%012ld", "%.12ld", "%lu",
                                 "%lx", "%#lX",  "%lo",   "%#14lo",  "%lld", "%llx"};
  const int32_t values[] = {0, 1, -1, 65535, 65536, -65536, 100000, 2147483647, -2147483647 - 1, 123456789, -987654321};
  for (const char *format : formats) {
    for (int32_t v : values) {
      std::string what = std::string(format) + " of " + std::to_string(v);
      std::string host_format = format;
      if (host_format.find("ll") != std::string::npos) host_format.erase(host_format.find("ll"), 1);
      if (is_signed_conversion(format))
        expect_same(ours32(format, v), host(host_format.c_str(), long(v)), what);
      else
        expect_same(ours32(format, uint32_t(v)), host(host_format.c_str(), (unsigned long)uint32_t(v)), what);
    }
  }
}

// A width or precision from an argument; a negative width left-justifies,
// a negative precision counts as none.
TEST(Printf, StarsMatchTheHost) {
  for (int a : {-8, -1, 0, 3, 8}) {
    for (int16_t v : {0, 42, -42, 12345}) {
      std::string what = std::to_string(a) + ", " + std::to_string(v);
      expect_same(ours32("%*d|", a, int(v)), host("%*d|", a, int(v)), "%*d " + what);
      expect_same(ours32("%.*d|", a, int(v)), host("%.*d|", a, int(v)), "%.*d " + what);
      expect_same(ours32("%-*.*x|", a, 3, int(uint16_t(v))), host("%-*.*x|", a, 3, unsigned(uint16_t(v))),
                  "%-*.*x " + what);
      expect_same(ours32("%0*d|", a, int(v)), host("%0*d|", a, int(v)), "%0*d " + what);
    }
  }
}

// ---- text ----

TEST(Printf, TextMatchesTheHost) {
  const char *const strings[] = {"", "a", "abc", "hello, world"};
  const char *const formats[] = {"%s", "[%10s]", "[%-10s]", "[%.2s]", "[%10.2s]", "[%.0s]", "[%-3.5s]", "[%2s]"};
  for (const char *format : formats)
    for (const char *s : strings) expect_same(ours32(format, s), host(format, s), std::string(format) + " " + s);
  for (int c : {int('a'), int(' '), int('%'), 0xE9})
    for (const char *format : {"%c", "[%3c]", "[%-3c]", "%c%c"})
      expect_same(ours32(format, c, c), host(format, c, c), std::string(format) + " " + std::to_string(c));
  expect_same(ours32("100%% sure, %d%%", 5), host("100%% sure, %d%%", 5), "%%");
  expect_same(ours32("no conversions"), host("no conversions"), "plain");
  expect_same(ours32(""), host(""), "empty");
}

TEST(Printf, CountsWhatItWrote) {
  int16_t n = -1;
  int32_t ln = -1;
  printed p = ours32("ab%ncd%s%ln!", &n, "xyz", &ln);
  EXPECT_EQ(p.text, "abcdxyz!");
  EXPECT_EQ(p.count, 8);
  EXPECT_EQ(n, 2);
  EXPECT_EQ(ln, 7);
}

// A pointer is written as its bytes in hexadecimal, the highest first.
TEST(Printf, PointersAsTheirBytes) {
  int object;
  char expected[64];
  snprintf(expected, sizeof expected, "[%0*lx]", int(2 * sizeof(void *)), (unsigned long)(uintptr_t)&object);
  EXPECT_EQ(ours32("[%p]", (void *)&object).text, expected);
  std::string wide = ours32("[%-40p]", (void *)&object).text;
  EXPECT_EQ(wide.size(), 42u);
  EXPECT_EQ(wide.substr(0, 1 + 2 * sizeof(void *)), std::string(expected).substr(0, 1 + 2 * sizeof(void *)));
}

// Characters that make no conversion are written as they stand, and the
// format's end inside a conversion ends the output.
TEST(Printf, UnknownConversionsStandAsWritten) {
  EXPECT_EQ(ours32("a%yb").text, "ayb");
  EXPECT_EQ(ours32("a%5").text, "a");
  EXPECT_EQ(ours32("a%").text, "a");
  EXPECT_EQ(ours32("%-").count, 0);
}

TEST(Printf, WritesThroughPutch) {
  putch_output.clear();
  EXPECT_EQ(doprnt_full32::printf("%s=%5d;%x\n", "v", int(-12), 0xBEEF), 13);
  EXPECT_EQ(putch_output, "v=  -12;beef\n");
}

target::t_s16 forward(char *buf, const char *format, ...) {
  va_list ap;
  va_start(ap, format);
  target::t_s16 n = doprnt_full32::vsprintf(buf, format, ap);
  va_end(ap);
  return n;
}

TEST(Printf, VsprintfTakesAnArgumentList) {
  char buf[64];
  EXPECT_EQ(forward(buf, "%s-%d-%c", "a", 7, 'z'), 5);
  EXPECT_STREQ(buf, "a-7-z");
}

// ---- floats ----

struct float_kind {
  const char *name;
  int frac;
};

const float_kind float32 = {"32-bit", 23}, float24 = {"24-bit", 15};

// The host float of a pattern of either format, as the target reads it.
double host_value(const float_kind &k, uint32_t pattern) { return pattern_value(k.frac, pattern); }

uint32_t next_random(uint32_t &state) {
  state = state * 1103515245u + 12345u;
  return state;
}

uint32_t pattern_of(float f) {
  uint32_t bits;
  memcpy(&bits, &f, sizeof bits);
  return bits;
}

std::vector<uint32_t> float_patterns(const float_kind &k) {
  std::vector<uint32_t> bits = {
      0x00000000, 0x80000000, 0x00400000, 0x00800000, 0x80800000, 0x00FFFFFF, 0x7F7FFFFF, 0xFF7FFFFF,
      0x7F800000, 0xFF800000, 0x7FC00000, 0xFFC00000, 0x7F800100, 0x3F800000, 0x3F800001, 0x3F7FFFFF,
      0x4B7FFFFF, 0x4B800000, 0x7E967699, 0x0DA24260, 0x7F000000,
  };
  for (float f : {0.5f, 1.5f, 2.5f, 3.5f, 0.125f, 0.375f, 9.5f, 99.5f, 999999.5f, 9.9999f, 0.0001f, 0.00001f,
                  1e-5f, 123456.0f, 1234567.0f, 999999.0f, 9999999.0f, 0.1f, 0.3f, 1.0f / 3, 2.0f / 3, 100.0f,
                  1e6f, 1e7f, 1e10f, 1e20f, 1e30f, 1e38f, 3.1415927f, 2.7182817f, 0.05f, 0.95f, 0.995f, 9.995f,
                  65536.0f, 32767.5f, 1e-10f, 1e-30f, 1.17549435e-38f})
    bits.push_back(pattern_of(f));
  uint32_t state = 77;
  for (int i = 0; i < 250; i++) {
    uint32_t b = next_random(state) ^ (next_random(state) >> 16);
    // Mostly exponents of ordinary numbers; every sixth one anywhere.
    if (i % 6 != 0) b = (b & 0x807FFFFF) | uint32_t(100 + (next_random(state) >> 8) % 60) << 23;
    bits.push_back(b);
  }
  for (uint32_t &b : bits) b >>= 23 - k.frac;
  return bits;
}

const char *const float_formats[] = {
    "%e",    "%E",     "%.0e",   "%#.0e",  "%.1e",    "%.3e",      "%.8e",     "%.12e",   "%.50e",   "%f",
    "%.0f",  "%#.0f",  "%.1f",   "%.2f",   "%.10f",   "%.45f",     "%g",       "%G",      "%.0g",    "%.1g",
    "%.2g",  "%.10g",  "%.40g",  "%#g",    "%#.3g",   "%#.0g",     "%+e",      "% f",     "%+g",     "[%12.3e]",
    "[%-12.3f]", "[%012.4g]", "[%-+12.2e]", "[%015.3f]", "[% 010.2e]", "[%10f]", "[%-10G]", "[%+014.6E]",
};

// Where the host's C library is known to differ from C itself: with %#g,
// a value that rounds up to the next power of ten keeps the precision of
// style e (P - 1 digits after the point), which the host forgets.
struct host_fault {
  const char *format;
  float value;
  const char *text;
};
const host_fault host_faults[] = {
    {"%#g", 999999.5f, "1.00000e+06"},
};

void check_floats(const float_kind &k, printed (*ours)(const char *, uint32_t)) {
  for (uint32_t pattern : float_patterns(k))
    for (const char *format : float_formats) {
      char what[64];
      snprintf(what, sizeof what, "%s of %s pattern %06X", format, k.name, pattern);
      printed theirs = host(format, host_value(k, pattern));
      for (const host_fault &f : host_faults)
        if (strcmp(format, f.format) == 0 && host_value(k, pattern) == f.value)
          theirs = {f.text, int(strlen(f.text))};
      expect_same(ours(format, pattern), theirs, what);
    }
}

TEST(Printf, Floats32MatchTheHost) {
  check_floats(float32, [](const char *format, uint32_t pattern) { return ours32(format, pattern); });
}

TEST(Printf, Floats24MatchTheHost) {
  check_floats(float24, [](const char *format, uint32_t pattern) { return ours24(format, pattern); });
}

// Precisions that reach far below the last digit the value has.
TEST(Printf, FloatsToAnyPrecision) {
  for (uint32_t pattern : {0x00800000u, 0x3DCCCCCDu, 0x7F7FFFFFu, 0x3F800001u})
    for (int prec : {0, 5, 30, 60, 120, 160}) {
      double v = host_value(float32, pattern);
      std::string what = std::to_string(pattern) + " to " + std::to_string(prec);
      expect_same(ours32("%.*e", prec, pattern), host("%.*e", prec, v), "e " + what);
      expect_same(ours32("%.*f", prec, pattern), host("%.*f", prec, v), "f " + what);
      expect_same(ours32("%.*g", prec, pattern), host("%.*g", prec, v), "g " + what);
    }
}

// ---- builds with fewer features ----

TEST(Printf, ADecimalOnlyBuildLeavesTheRestAsWritten) {
  putch_output.clear();
  EXPECT_EQ(doprnt_decimal::printf("%d|%d\n", int(-32768), int(407)), 11);
  EXPECT_EQ(putch_output, "-32768|407\n");
  putch_output.clear();
  doprnt_decimal::printf("%x %5d %s %f", int(10));
  EXPECT_EQ(putch_output, "x 5d s f");
}

TEST(Printf, AStringBuildNeedsNoPutch) {
  char buf[64];
  EXPECT_EQ(doprnt_strings::sprintf(buf, "[%-6s|%3c]", "ab", int('z')), 12);
  EXPECT_STREQ(buf, "[ab    |  z]");
  doprnt_strings::sprintf(buf, "%d%%%s", "q");
  EXPECT_STREQ(buf, "d%q");
}

TEST(Printf, AFixedOnlyBuildOf24BitDoubles) {
  putch_output.clear();
  doprnt_fixed::printf("%.2f %.0f %f %e", pattern_of(3.14159f) >> 8, pattern_of(-2.5f) >> 8, pattern_of(0.1f) >> 8);
  EXPECT_EQ(putch_output, "3.14 -2 0.099998 e");
}

}  // namespace
