#include "common/alloc.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

// The allocation-failure test needs a failed allocation, not a sanitizer report.
extern "C" const char *__asan_default_options() { return "allocator_may_return_null=1"; }

namespace {

TEST(LanguageTable, NamesAndCodes) {
  struct {
    const char *text;
    uint32_t id;
  } cases[] = {
      {"DE", 7},        {"deutsch", 7},        {"GERMAN", 7},   {"en", 9},
      {"English", 9},   {"Fran\xe7" "ais", 12}, {"FRAN\xc7" "AIS", 12}, {"fr", 12},
      {"French", 12},   {"Klingon", 255},      {"", 255},       {"e", 255},
      {"German;", 255}, {nullptr, 255},
  };
  for (auto &c : cases) {
    SCOPED_TRACE(c.text ? c.text : "(null)");
    EXPECT_EQ(lang_lookup(c.text), c.id);
  }
  EXPECT_STREQ(lang_code(7), "de");
  EXPECT_STREQ(lang_code(12), "fr");
  EXPECT_STREQ(lang_code(255), "en");
  EXPECT_STREQ(lang_code(3), "en");
  EXPECT_EQ(lang_default_id(), 9u);
}

TEST(Strings, FormattingIsCutAt4095Characters) {
  testing::internal::CaptureStderr();
  char *s = strfmt("%s", std::string(5000, 'x').c_str());
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "buffer overflow in vsnprintf");
  EXPECT_EQ(std::string(s), std::string(4095, 'x'));
  xfree(s);

  testing::internal::CaptureStderr();
  s = strfmt("%d-%s", 12, std::string(4092, 'y').c_str());
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(strlen(s), 4095u);
  xfree(s);
}

TEST(Strings, ConcatenationAndCopies) {
  char *a = str_dup("ab");
  char *b = str_concat(a, "cd");
  EXPECT_STREQ(b, "abcd");
  EXPECT_STREQ(a, "ab");  // str_concat keeps both
  char *c = str_append(b, nullptr);  // frees b
  EXPECT_STREQ(c, "abcd");
  c = str_append(c, "e");
  EXPECT_STREQ(c, "abcde");
  char *d = str_concat(nullptr, nullptr);
  EXPECT_STREQ(d, "");
  EXPECT_EQ(str_dup(nullptr), nullptr);
  xfree(a);
  xfree(c);
  xfree(d);
  xfree(nullptr);
}

TEST(Allocation, FailureIsReportedAndEndsTheProgram) {
  EXPECT_EXIT(xalloc(SIZE_MAX / 2), testing::ExitedWithCode(1),
              "can't allocate [0-9]+ bytes of memory");
}

}  // namespace
