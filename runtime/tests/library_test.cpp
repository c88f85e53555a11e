// The integer C library, compiled by the host with the target's widths,
// against the host's own C library (in the "C" locale) and C's operators,
// over tables of cases.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/tests/host_types.h"

// The library's own errno and RAND_MAX, not the host's.
#pragma push_macro("errno")
#pragma push_macro("RAND_MAX")
#pragma push_macro("EDOM")
#pragma push_macro("ERANGE")
#undef errno
#undef RAND_MAX
#undef EDOM
#undef ERANGE
namespace target {
#include "library/ctype.h"
#include "library/errno.h"
#include "library/stdlib.h"
#include "library/string.h"

#include "library/abs.c"
#include "library/atoi.c"
#include "library/atol.c"
#include "library/bsearch.c"
#include "library/div.c"
#include "library/errno.c"
#include "library/isalnum.c"
#include "library/isalpha.c"
#include "library/iscntrl.c"
#include "library/isdigit.c"
#include "library/isgraph.c"
#include "library/islower.c"
#include "library/isprint.c"
#include "library/ispunct.c"
#include "library/isspace.c"
#include "library/isupper.c"
#include "library/isxdigit.c"
#include "library/labs.c"
#include "library/ldiv.c"
#include "library/memchr.c"
#include "library/memcmp.c"
#include "library/memcpy.c"
#include "library/memmove.c"
#include "library/memset.c"
#include "library/qsort.c"
#include "library/rand.c"
#include "library/srand.c"
#include "library/strcat.c"
#include "library/strchr.c"
#include "library/strcmp.c"
#include "library/strcoll.c"
#include "library/strcpy.c"
#include "library/strcspn.c"
#include "library/strerror.c"
#include "library/strlen.c"
#include "library/strncat.c"
#include "library/strncmp.c"
#include "library/strncpy.c"
#include "library/strpbrk.c"
#include "library/strrchr.c"
#include "library/strspn.c"
#include "library/strstr.c"
#include "library/strtok.c"
#include "library/strtol.c"
#include "library/strtoul.c"
#include "library/strtoxl.c"
#include "library/strxfrm.c"
#include "library/tolower.c"
#include "library/toupper.c"

t_s16 &library_errno() { return errno; }
constexpr int library_rand_max = RAND_MAX;
constexpr int library_edom = EDOM, library_erange = ERANGE;
}  // namespace target
#pragma pop_macro("ERANGE")
#pragma pop_macro("EDOM")
#pragma pop_macro("RAND_MAX")
#pragma pop_macro("errno")

namespace {

int sign(int v) { return (v > 0) - (v < 0); }

// ---- ctype ----

TEST(CLibrary, CharacterClassesMatchTheCLocale) {
  struct {
    const char *name;
    target::t_s16 (*library)(target::t_s16);
    int (*host)(int);
  } const classes[] = {
      {"isalnum", target::isalnum, isalnum}, {"isalpha", target::isalpha, isalpha},
      {"iscntrl", target::iscntrl, iscntrl}, {"isdigit", target::isdigit, isdigit},
      {"isgraph", target::isgraph, isgraph}, {"islower", target::islower, islower},
      {"isprint", target::isprint, isprint}, {"ispunct", target::ispunct, ispunct},
      {"isspace", target::isspace, isspace}, {"isupper", target::isupper, isupper},
      {"isxdigit", target::isxdigit, isxdigit},
  };
  for (int c = EOF; c <= 255; c++) {
    for (const auto &k : classes)
      ASSERT_EQ(k.library(target::t_s16(c)) != 0, k.host(c) != 0) << k.name << "(" << c << ")";
    ASSERT_EQ(target::tolower(target::t_s16(c)), tolower(c)) << c;
    ASSERT_EQ(target::toupper(target::t_s16(c)), toupper(c)) << c;
  }
}

// ---- memory blocks ----

// Every source and target offset and length within a small buffer, so that
// overlaps of both directions come up.
TEST(CLibrary, BlockCopiesAndFills) {
  const int size = 24;
  for (int from = 0; from < size; from++) {
    for (int to = 0; to < size; to++) {
      for (int n = 0; n + std::max(from, to) <= size; n++) {
        unsigned char mine[size], theirs[size];
        for (int i = 0; i < size; i++) mine[i] = theirs[i] = uint8_t(i * 37 + 200);
        ASSERT_EQ(target::memmove(mine + to, mine + from, target::t_u16(n)), mine + to);
        memmove(theirs + to, theirs + from, size_t(n));
        ASSERT_EQ(memcmp(mine, theirs, size), 0) << "memmove " << to << " " << from << " " << n;
        if (to + n <= from || from + n <= to) {
          target::memcpy(mine + to, mine + from, target::t_u16(n));
          memcpy(theirs + to, theirs + from, size_t(n));
          ASSERT_EQ(memcmp(mine, theirs, size), 0) << "memcpy " << to << " " << from << " " << n;
        }
        ASSERT_EQ(target::memset(mine + to, 0x1A5, target::t_u16(n)), mine + to);
        memset(theirs + to, 0xA5, size_t(n));
        ASSERT_EQ(memcmp(mine, theirs, size), 0) << "memset " << to << " " << n;
      }
    }
  }
}

TEST(CLibrary, BlockComparisonsAndSearches) {
  const unsigned char a[] = {1, 2, 0x80, 0, 0xFF, 7, 7};
  const unsigned char b[] = {1, 2, 0x7F, 0, 0xFF, 7, 8};
  for (target::t_u16 n = 0; n <= sizeof a; n++) {
    EXPECT_EQ(sign(target::memcmp(a, b, n)), sign(memcmp(a, b, n))) << n;
    EXPECT_EQ(sign(target::memcmp(b, a, n)), sign(memcmp(b, a, n))) << n;
    EXPECT_EQ(target::memcmp(a, a, n), 0);
    for (int c : {0, 2, 7, 0x80, 0xFF, 0x1FF, 9})
      EXPECT_EQ(target::memchr(a, target::t_s16(c), n), memchr(a, c & 0xFF, n)) << c << " in " << n;
  }
}

// ---- strings ----

const char *const strings[] = {"", "a", "abc", "abd", "ab", "abcabc", "b", "\x80", "\x7f", "a\xff", "hello world",
                               " \t,x,,y, ", ",,"};

TEST(CLibrary, StringComparisons) {
  for (const char *s : strings) {
    for (const char *t : strings) {
      EXPECT_EQ(sign(target::strcmp(s, t)), sign(strcmp(s, t))) << '"' << s << "\" \"" << t << '"';
      EXPECT_EQ(sign(target::strcoll(s, t)), sign(strcmp(s, t)));
      for (target::t_u16 n = 0; n < 5; n++)
        EXPECT_EQ(sign(target::strncmp(s, t, n)), sign(strncmp(s, t, n))) << '"' << s << "\" \"" << t << "\" " << n;
    }
  }
}

TEST(CLibrary, StringSearches) {
  for (const char *s : strings) {
    EXPECT_EQ(target::strlen(s), strlen(s)) << s;
    for (int c : {0, int('a'), int('b'), int('c'), int(','), 0x80, 0xFF, int('z')}) {
      EXPECT_EQ(target::strchr(s, target::t_s16(c)), strchr(s, c)) << '"' << s << "\" " << c;
      EXPECT_EQ(target::strrchr(s, target::t_s16(c)), strrchr(s, c)) << '"' << s << "\" " << c;
    }
    for (const char *t : strings) {
      EXPECT_EQ(target::strspn(s, t), strspn(s, t)) << '"' << s << "\" \"" << t << '"';
      EXPECT_EQ(target::strcspn(s, t), strcspn(s, t)) << '"' << s << "\" \"" << t << '"';
      EXPECT_EQ(target::strpbrk(s, t), strpbrk(s, t)) << '"' << s << "\" \"" << t << '"';
      EXPECT_EQ(target::strstr(s, t), strstr(s, t)) << '"' << s << "\" \"" << t << '"';
    }
  }
}

// The copies and appends write the same bytes as the host's, padding and
// unterminated results included, and nothing past them.
TEST(CLibrary, StringCopies) {
  for (const char *s : strings) {
    for (target::t_u16 n = 0; n < 14; n++) {
      char mine[32], theirs[32];
      memset(mine, '#', sizeof mine);
      memset(theirs, '#', sizeof theirs);
      EXPECT_EQ(target::strncpy(mine, s, n), mine);
      strncpy(theirs, s, n);
      EXPECT_EQ(memcmp(mine, theirs, sizeof mine), 0) << "strncpy \"" << s << "\" " << n;

      strcpy(mine, "xy");
      strcpy(theirs, "xy");
      EXPECT_EQ(target::strncat(mine, s, n), mine);
      strncat(theirs, s, n);
      EXPECT_EQ(memcmp(mine, theirs, sizeof mine), 0) << "strncat \"" << s << "\" " << n;

      // strxfrm copies only a string that fits whole, with its NUL.
      memset(mine, '#', sizeof mine);
      EXPECT_EQ(target::strxfrm(mine, s, n), strlen(s));
      if (strlen(s) < n) {
        EXPECT_STREQ(mine, s);
        EXPECT_EQ(mine[strlen(s) + 1], '#');
      } else {
        EXPECT_EQ(mine[0], '#') << "strxfrm \"" << s << "\" " << n;
      }
    }
    char mine[32] = "#################", theirs[32] = "#################";
    EXPECT_EQ(target::strcpy(mine, s), mine);
    strcpy(theirs, s);
    EXPECT_EQ(memcmp(mine, theirs, sizeof mine), 0) << "strcpy \"" << s << '"';
    EXPECT_EQ(target::strcat(mine, s), mine);
    strcat(theirs, s);
    EXPECT_EQ(memcmp(mine, theirs, sizeof mine), 0) << "strcat \"" << s << '"';
  }
}

TEST(CLibrary, TokensAsTheHostSplitsThem) {
  struct {
    const char *text, *delimiters, *later_delimiters;
  } const cases[] = {
      {"a,b,,c", ",", ","}, {",,a", ",", ","}, {"", ",", ","}, {",,,", ",", ","},
      {"one two\tthree", " \t", " \t"}, {"k=v;k2=v2", "=", ";="}, {"abc", "", ""},
  };
  for (const auto &k : cases) {
    std::string mine = k.text, theirs = k.text;
    char *m = target::strtok(&mine[0], k.delimiters);
    char *t = strtok(&theirs[0], k.delimiters);
    for (int i = 0; i < 8; i++) {
      ASSERT_EQ(m ? m - mine.data() : -1, t ? t - theirs.data() : -1) << '"' << k.text << "\" token " << i;
      if (!m) break;
      EXPECT_STREQ(m, t);
      m = target::strtok(nullptr, k.later_delimiters);
      t = strtok(nullptr, k.later_delimiters);
    }
    EXPECT_EQ(mine, theirs);
  }
}

TEST(CLibrary, ErrorTexts) {
  EXPECT_STREQ(target::strerror(0), "No error");
  EXPECT_STREQ(target::strerror(target::t_s16(target::library_edom)), "Domain error");
  EXPECT_STREQ(target::strerror(target::t_s16(target::library_erange)), "Result out of range");
  EXPECT_STREQ(target::strerror(-1), "Unknown error");
  EXPECT_STREQ(target::strerror(1000), "Unknown error");
}

// ---- stdlib: arithmetic ----

TEST(CLibrary, AbsoluteValuesAndDivisions) {
  const int16_t ints[] = {0, 1, -1, 2, -2, 7, -7, 100, -100, 32767, -32767, -32768};
  for (int16_t j : ints) {
    EXPECT_EQ(target::abs(j), int16_t(j < 0 ? -j : j)) << j;
    int32_t lj = int32_t(int64_t(j) * 65537);  // wraps: -32768 gives a positive long
    EXPECT_EQ(target::labs(lj), lj < 0 ? -lj : lj) << lj;
    for (int16_t k : ints) {
      if (k == 0) continue;  // no defined meaning in C; the routines give their documented values
      target::div_t r = target::div(j, k);
      EXPECT_EQ(r.quot, int16_t(j / k)) << j << " / " << k;
      EXPECT_EQ(r.rem, int16_t(j % k)) << j << " % " << k;
      int32_t lk = k;
      if (lj == INT32_MIN && lk == -1) continue;
      target::ldiv_t l = target::ldiv(lj, lk);
      EXPECT_EQ(l.quot, lj / lk) << lj << " / " << lk;
      EXPECT_EQ(l.rem, lj % lk) << lj << " % " << lk;
    }
  }
  EXPECT_EQ(target::labs(INT32_MIN), INT32_MIN);
  EXPECT_EQ(target::labs(INT32_MAX), INT32_MAX);
}

// ---- stdlib: numbers from text ----

const char *const numbers[] = {
    "0", "1", "-1", "+7", "  \t\n42xyz", "-0", "12345", "32767", "32768", "-32768", "65535", "65536", "99999",
    "2147483647", "2147483648", "-2147483648", "-2147483649", "4294967295", "4294967296", "99999999999999999999",
    "0x1F", "0X1f", "0x", "0xg", "017", "019", "08", "-0x80000000", "z", "", "+", "- 1", "1e5", "7fffffff",
    "ffffffff", "100000000", "zz", "Zz", "101"};

TEST(CLibrary, AtoiAndAtolWrapToTheirWidths) {
  for (const char *s : numbers) {
    long long value = strtoll(s, nullptr, 10);
    if (strlen(s) > 15) continue;  // beyond the host's range too
    EXPECT_EQ(target::atoi(s), int16_t(value)) << '"' << s << '"';
    EXPECT_EQ(target::atol(s), int32_t(value)) << '"' << s << '"';
  }
}

// strtol: the host's 64-bit strtoll, clamped to 32 bits; where the text
// ends agrees in every base.
TEST(CLibrary, StrtolClampsToLong) {
  for (const char *s : numbers) {
    for (int base : {0, 2, 8, 10, 16, 36, 1, 37}) {
      char *mine_end = nullptr, *theirs_end = nullptr;
      errno = 0;
      long long value = strtoll(s, &theirs_end, base);
      bool out_of_range = errno == ERANGE || value > INT32_MAX || value < INT32_MIN;
      if (base == 1 || base == 37) value = 0, theirs_end = const_cast<char *>(s);  // the host says EINVAL
      target::library_errno() = 0;
      int32_t mine = target::strtol(s, &mine_end, target::t_s16(base));
      EXPECT_EQ(mine_end - s, theirs_end - s) << '"' << s << "\" base " << base;
      if (out_of_range) {
        EXPECT_EQ(mine, value < 0 ? INT32_MIN : INT32_MAX) << '"' << s << "\" base " << base;
        EXPECT_EQ(target::library_errno(), target::library_erange) << '"' << s << "\" base " << base;
      } else {
        EXPECT_EQ(mine, value) << '"' << s << "\" base " << base;
        EXPECT_EQ(target::library_errno(), 0) << '"' << s << "\" base " << base;
      }
    }
  }
  EXPECT_EQ(target::strtol("123", nullptr, 10), 123);  // a null end pointer is allowed
}

TEST(CLibrary, StrtoulNegatesAndSaturates) {
  struct {
    const char *text;
    int base;
    uint32_t value;
    int end;
    bool out_of_range;
  } const cases[] = {
      {"4294967295", 10, 0xFFFFFFFF, 10, false}, {"4294967296", 10, 0xFFFFFFFF, 10, true},
      {"-1", 10, 0xFFFFFFFF, 2, false},          {"-4294967295", 10, 1, 11, false},
      {"-4294967296", 0, 0xFFFFFFFF, 11, true},  {"0xFFFFFFFF", 0, 0xFFFFFFFF, 10, false},
      {"0x100000000", 16, 0xFFFFFFFF, 11, true}, {" +0777", 0, 0777, 6, false},
      {"0x", 16, 0, 1, false},                   {"-", 10, 0, 0, false},
      {"zz", 36, 36 * 35 + 35, 2, false},        {"1z", 35, 1, 1, false},
      {"1y", 35, 35 + 34, 2, false},             {"11111111111111111111111111111111", 2, 0xFFFFFFFF, 32, false},
  };
  for (const auto &k : cases) {
    char *end = nullptr;
    target::library_errno() = 0;
    EXPECT_EQ(target::strtoul(k.text, &end, target::t_s16(k.base)), k.value) << '"' << k.text << '"';
    EXPECT_EQ(end - k.text, k.end) << '"' << k.text << '"';
    EXPECT_EQ(target::library_errno(), k.out_of_range ? target::library_erange : 0) << '"' << k.text << '"';
  }
}

// ---- stdlib: pseudo-random numbers ----

TEST(CLibrary, RandomNumbersFollowTheirGenerator) {
  auto expect_sequence = [](uint32_t state) {
    for (int i = 0; i < 1000; i++) {
      state = state * 1103515245u + 12345u;
      int value = int((state >> 16) & 0x7FFF);
      ASSERT_EQ(target::rand(), value) << "draw " << i;
    }
  };
  EXPECT_EQ(target::library_rand_max, 32767);
  expect_sequence(1);  // before any srand, as after srand(1)
  target::srand(1);
  expect_sequence(1);
  target::srand(0xBEEF);
  expect_sequence(0xBEEF);
}

// ---- stdlib: sorting and searching ----

// An element of some size whose first two bytes are its key.
template <int Size>
struct element {
  unsigned char bytes[Size];
  int key() const { return Size == 1 ? bytes[0] : bytes[0] << 8 | bytes[1]; }
  static target::t_s16 compare(const void *a, const void *b) {
    int x = static_cast<const element *>(a)->key(), y = static_cast<const element *>(b)->key();
    return target::t_s16(x < y ? -1 : x > y);
  }
};

template <int Size>
void check_sort_and_search() {
  typedef element<Size> item;
  uint32_t state = 99;
  for (int count = 0; count <= 40; count++) {
    for (int shape = 0; shape < 4; shape++) {  // random, few keys, sorted, reversed
      std::vector<item> items(size_t(count) + 1);
      for (int i = 0; i < count; i++) {
        state = state * 1103515245u + 12345u;
        for (int b = 0; b < Size; b++) items[size_t(i)].bytes[b] = uint8_t(state >> (8 + b));
        if (shape == 1) items[size_t(i)].bytes[0] &= 3;
        if (shape >= 2) items[size_t(i)].bytes[0] = uint8_t(shape == 2 ? i : 100 - i);
      }
      std::vector<item> before = items;
      target::qsort(items.data(), target::t_u16(count), Size, item::compare);
      std::vector<int> keys, expected;
      for (int i = 0; i < count; i++) keys.push_back(items[size_t(i)].key());
      for (int i = 0; i < count; i++) expected.push_back(before[size_t(i)].key());
      std::sort(expected.begin(), expected.end());
      ASSERT_EQ(keys, expected) << "size " << Size << " count " << count << " shape " << shape;
      // Whole elements moved, and nothing after the last one.
      static_assert(Size <= 8, "an element's bytes pack into one number");
      auto packed = [](const item &e) {
        uint64_t value = 0;
        for (int b = 0; b < Size; b++) value = value << 8 | e.bytes[b];
        return value;
      };
      std::vector<uint64_t> moved, kept;
      for (int i = 0; i < count; i++) {
        moved.push_back(packed(items[size_t(i)]));
        kept.push_back(packed(before[size_t(i)]));
      }
      std::sort(moved.begin(), moved.end());
      std::sort(kept.begin(), kept.end());
      ASSERT_EQ(moved, kept);
      ASSERT_EQ(memcmp(&items[size_t(count)], &before[size_t(count)], Size), 0);

      for (int key = -1; key <= 0x10000; key += (key < 300 ? 1 : 997)) {
        item probe{};
        probe.bytes[0] = uint8_t(Size == 1 ? key : key >> 8);
        if (Size > 1) probe.bytes[1] = uint8_t(key);
        bool present = std::binary_search(keys.begin(), keys.end(), probe.key());
        const void *found = target::bsearch(&probe, items.data(), target::t_u16(count), Size, item::compare);
        if (!present) {
          ASSERT_EQ(found, nullptr) << "key " << probe.key() << " count " << count;
          continue;
        }
        ASSERT_NE(found, nullptr) << "key " << probe.key() << " count " << count;
        ASSERT_EQ(static_cast<const item *>(found)->key(), probe.key());
        ASSERT_EQ((static_cast<const unsigned char *>(found) - items[0].bytes) % Size, 0);
      }
    }
  }
}

TEST(CLibrary, QsortAndBsearchOverElementSizes) {
  check_sort_and_search<1>();
  check_sort_and_search<2>();
  check_sort_and_search<3>();
  check_sort_and_search<7>();
}

}  // namespace
