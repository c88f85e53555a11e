// The #if evaluator on expanded text: C's precedence and grouping, 32-bit
// values with the signedness rules of this preprocessor, sizeof, and the
// message and value of each malformed expression; and the reader's giving
// back of a character, which can only step back over what it read.
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>

#include "common/alert.h"
#include "preprocessor/eval.h"
#include "preprocessor/macro.h"
#include "preprocessor/reader.h"

namespace {

std::set<int> seen;

void capture(const char *line) {
  static const std::regex number(R"(\((\d+)\))");
  std::cmatch m;
  if (std::regex_search(line, m, number)) seen.insert(std::stoi(m[1]));
}

class eval_test : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    msg_load_file(TOVRA_STAGE "/dat/en_msgs.txt");
    msg_set_error_limit(1000000);
    msg_set_output_hook(capture);
    wtext x = narrow_to_wide("X");
    macro_define_option("X=1");
  }
  void SetUp() override {
    seen.clear();
    pp_sizes_reset();
  }
  static bool eval(const char *text) {
    wtext w = narrow_to_wide(text);
    w.pop_back();
    return pp_eval_text(w);
  }
};

struct eval_case {
  const char *text;
  bool value;
};

// Expressions without messages and their truth.
const eval_case values[] = {
    {"1 | 1 ^ 1", true},  // "^" binds tighter than "|"
    {"(1 | 1) ^ 1", false},
    {"1 + 2 * 3 == 7", true},
    {"(1 + 2) * 3 == 9", true},
    {"10 - 4 - 3 == 3", true},
    {"2 << 3 == 16", true},
    {"1 < 2 == 1", true},
    {"3 & 5 == 5", true},  // "==" binds tighter than "&"
    {"-1 > 0u", true},
    {"-1 > 0", false},
    {"0xFFFFFFFF > 0", true},  // the value came out negative: unsigned
    {"0x7fffffff + 1 < 0", true},
    {"-4 / 2 == 2147483646", true},  // division is unsigned
    {"7 % 3 == 1", true},
    {"!!2", true},
    {"- -1 == 1", true},
    {"~-1 == 0", true},
    {"-~0 == 1", true},
    {"!-1", false},
    {"+3 == 3", true},
    {"1 ? 0 : 1 ? 5 : 7", false},  // groups to the right
    {"(0 ? 1 : 0 ? 2 : 3) == 3", true},
    {"(1 ? 2 : 3) == 2", true},
    {"1 ? 2 ? 3 : 4 : 5", true},
    {"0 && 1 / 0", false},
    {"1 || 1 / 0", true},
    {"0 ? 1 / 0 : 2", true},
    {"1 ? 2 : 1 % 0", true},
    {"(1, 0)", false},
    {"010 == 8 && 0x10 == 16 && 0X1f == 31", true},
    {"10UL == 10 && 3u == 3", true},
    {"'\\n' == 10 && '\\x41' == 65 && '\\101' == 65 && 'A' == 65", true},
    {"'\\a' + '\\b' + '\\f' + '\\r' + '\\t' + '\\v' == 7 + 8 + 12 + 13 + 9 + 11", true},
    {"'' == 0", true},
    {"'\\'' == 39", true},
    {"UNDEFINED", false},
    {"defined X && defined(X) && defined ( X )", true},
    {"defined Y || defined(Y)", false},
    {"sizeof(int) == 4 && sizeof(char) == 1 && sizeof(short) == 2", true},
    {"sizeof(unsigned long int) == 4 && sizeof(signed char) == 1", true},
    {"sizeof(double) == 8 && sizeof(float) == 4 && sizeof(long) == 4", true},
    {"sizeof(char *) == 4 && sizeof(int (*)()) == 4 && sizeof(int(*)) == 4", true},
    {"sizeof(unsigned) == 4", true},  // "unsigned" alone is an int
    {"sizeof(int) - 5 > 0", true},  // sizeof is unsigned
};

TEST_F(eval_test, values) {
  for (const eval_case &c : values) {
    seen.clear();
    EXPECT_EQ(eval(c.text), c.value) << c.text;
    EXPECT_TRUE(seen.empty()) << c.text << ": message " << *seen.begin();
  }
}

struct error_case {
  const char *text;
  int number;
};

// Each is reported and counts as true.
const error_case errors[] = {
    {"1 2", 117},
    {"1 +", 120},
    {"* 1", 120},
    {"", 120},
    {"1 (2)", 120},
    {"(1", 122},
    {"1)", 135},
    {"1 ? 2", 123},
    {"1 : 2", 123},
    {"\"s\"", 126},
    {"defined", 127},
    {"defined(X", 127},
    {"1 = 1", 128},
    {"1 \\ 1", 129},
    {"sizeof(foo)", 130},
    {"sizeof(long double)", 131},
    {"sizeof(short char)", 131},
    {"sizeof()", 132},
    {"sizeof int", 134},
    {"sizeof(int", 134},
    {"1 @ 2", 124},
    {"1 / 0", 175},
    {"0 || 1 / 0", 175},
    {"1 % 0", 990},
};

TEST_F(eval_test, malformed_expressions) {
  for (const error_case &c : errors) {
    seen.clear();
    EXPECT_TRUE(eval(c.text)) << c.text;
    EXPECT_EQ(seen, std::set<int>{c.number}) << c.text;
  }
}

TEST_F(eval_test, a_bad_character_in_an_unevaluated_part_is_silent) {
  EXPECT_FALSE(eval("0 && (1 @)"));
  EXPECT_TRUE(seen.empty());
}

TEST_F(eval_test, stacks_have_limits) {
  std::string deep(130, '(');
  deep += "1";
  EXPECT_TRUE(eval(deep.c_str()));
  EXPECT_EQ(seen, std::set<int>{121});
  seen.clear();
  std::string wide;
  for (int k = 0; k < 130; k++) wide += "1 + (";
  EXPECT_TRUE(eval(wide.c_str()));
  EXPECT_EQ(seen.count(121), 1u);
}

TEST_F(eval_test, multi_character_constants_warn_and_combine) {
  EXPECT_TRUE(eval("'ab' == 0x6162"));
  EXPECT_EQ(seen, std::set<int>{174});
}

TEST_F(eval_test, sizes_from_the_option) {
  pp_sizes_option("-S1,2,2,3,4,4,8", "1,2,2,3,4,4,8");
  EXPECT_TRUE(eval("sizeof(short long) == 3 && sizeof(int) == 2 && sizeof(double) == 8"));
  // Six sizes pass over "short long".
  pp_sizes_option("-S1,2,2,4,3,3", "1,2,2,4,3,3");
  EXPECT_TRUE(eval("sizeof(long) == 4 && sizeof(double) == 3 && sizeof(short long) == 3"));
  pp_sizes_option("-SP2,2,2,2,2,2,3", "P2,2,2,2,2,2,3");
  EXPECT_TRUE(eval("sizeof(int *) == 2 && sizeof(int (*)()) == 3"));
  EXPECT_TRUE(seen.empty());
}

TEST_F(eval_test, a_give_back_before_anything_was_read_is_reported) {
  wtext w = narrow_to_wide("ab");
  rd_push_copy(w.data(), 2);
  pp_ungetc();
  EXPECT_EQ(seen, std::set<int>{159});
  seen.clear();
  EXPECT_EQ(pp_getc(), 'a');
  pp_ungetc();
  EXPECT_EQ(pp_getc(), 'a');
  EXPECT_EQ(pp_getc(), 'b');
  EXPECT_TRUE(seen.empty());
  rd_pop();
}

}  // namespace
