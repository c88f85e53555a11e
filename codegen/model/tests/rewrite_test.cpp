// Statement rewriting: each statement in prefix text becomes the list of
// simple statements code selection covers, one per line; generated labels
// print as L<construct>.<k>, the k-th label of the case.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "codegen/model/rewrite.h"
#include "codegen/model/symbols.h"
#include "codegen/model/tests/model_support.h"
#include "codegen/model/treetext.h"
#include "codegen/model/tree.h"
#include "codegen/model/walk.h"
#include "common/alloc.h"
#include "common/vector.h"

namespace {

const char DECLARATIONS[] =
    "[v _x `i 1 e ] [v _y `i 1 e ] [v _l `l 1 e ] [v _c `c 1 e ] [v _vol `Vi 1 e ] "
    "[v _f `(i 0 e`i`i ] [v _g `(i 0 e ] [v _h `(i 0 e ] [v _k `(l 0 e ] ";

// Label numbers as names: the construct's base digit and their order.
std::string named_labels(const std::string &text) {
  static const std::regex label("([1-9])(0000)(\\d{4})`l");
  std::map<std::string, int> seen;
  std::string out;
  auto begin = std::sregex_iterator(text.begin(), text.end(), label);
  size_t last = 0;
  for (auto it = begin; it != std::sregex_iterator(); ++it) {
    const std::smatch &m = *it;
    out += text.substr(last, m.position() - last);
    std::string number = m.str();
    if (!seen.count(number)) seen[number] = int(seen.size()) + 1;
    out += "L" + m.str(1) + "." + std::to_string(seen[number]);
    last = m.position() + m.length();
  }
  return out + text.substr(last);
}

class RewriteTest : public testing::Test {
 protected:
  void SetUp() override {
    fresh_model();
    read_records(DECLARATIONS);
    read_records("[v _main `(v 1 e ] { ");
    function = sym_find("_main");
  }
  void TearDown() override {
    tree_set_pending_comment(nullptr);
    sym_set_current_function(nullptr);
  }
  void check(const stage_case *cases, size_t count) {
    for (size_t k = 0; k < count; k++) {
      next_position();
      captured_lines().clear();
      EXPECT_EQ(named_labels(rewrite_text(cases[k].input)), cases[k].expected) << cases[k].input;
      EXPECT_EQ(captured_numbers(), cases[k].messages) << cases[k].input;
    }
  }
  symbol *function = nullptr;
};

#define CHECK_CASES(cases) check(cases, sizeof(cases) / sizeof(cases[0]))

TEST_F(RewriteTest, ConditionalJumps) {
  const stage_case cases[] = {
      {"$ && _x _y 5", "$ ! _x L6.1\n$ _y 5`l\n:U L6.1\n"},
      {"$ || _x _y 5", "$ _x 5`l\n$ _y 5`l\n"},
      {"$ && _x || _y _l 5", "$ ! _x L6.1\n$ _y 5`l\n$ _l 5`l\n:U L6.1\n"},
      {"$ ; = _x -> 1 `i _y 4", "= _x 1`i\n$ _y 4`l\n"},
      {"$ != = _x -> 5 `i -> 0 `i 9", "= _x 5`i\n$U 9`l\n", {758}},
      {"$ == = _x -> 5 `i -> 0 `i 9", "= _x 5`i\n", {758}},
      {"$ -> 0 `i 9", "", {757}},
  };
  CHECK_CASES(cases);
}

TEST_F(RewriteTest, LogicalAndConditionalStatements) {
  const stage_case cases[] = {
      {"&& _x = _y -> 1 `i", "$ ! _x L7.1\n= _y 1`i\n:U L7.1\n"},
      {"|| _x = _y -> 1 `i", "$ _x L8.1\n= _y 1`i\n:U L8.1\n"},
      {"? _x : = _y -> 1 `i = _y -> 2 `i", "$ ! _x L9.1\n= _y 1`i\n$U L9.2\n:U L9.1\n= _y 2`i\n:U L9.2\n"},
      {"? _x : -> = _y -> 1 `i `l = _y -> 2 `i", "$ ! _x L9.1\n= _y 1`i\n$U L9.2\n:U L9.1\n= _y 2`i\n:U L9.2\n"},
  };
  CHECK_CASES(cases);
}

TEST_F(RewriteTest, LogicalAndConditionalValues) {
  const stage_case cases[] = {
      // A plain target is set first and overwritten when the result differs.
      {"= _x || _y _l", "= _x 1`i\n$ _y L3.1\n$ _l L3.1\n= _x 0`i\n:U L3.1\n"},
      {"= _x && _y _l", "= _x 0`i\n$ ! _y L3.1\n$ ! _l L3.1\n= _x 1`i\n:U L3.1\n"},
      // A target the condition reads is set only once decided.
      {"= _x && _x _y",
       "$ ! _x L1.1\n$ ! _y L1.1\n= _x 1`i\n$U L2.2\n:U L1.1\n= _x 0`i\n:U L2.2\n"},
      {"=+ _x && _y _l", "$ ! _y L1.1\n$ ! _l L1.1\n=+ _x 1`i\n$U L2.2\n:U L1.1\n:U L2.2\n"},
      // ?: by overwriting the target, or by branches.
      {"= _y ? _x : _l -> 2 `l", "= _y 2`l\n$ ! _x L5.1\n= _y _l\n:U L5.1\n"},
      {"= _y ? _x : -> 4 `l -> 0 `l", "= _y 0`l\n$ ! _x L5.1\n=| _y 4`l\n:U L5.1\n"},
      {"= _y ? _x : _l ( _k ..", "$ _x L4.1\n= _y ( _k {}\n$U L4.2\n:U L4.1\n= _y _l\n:U L4.2\n"},
      {"= _y ? _x : + _y -> 1 `i -> 2 `i", "$ _x L4.1\n= _y 2`i\n$U L4.2\n:U L4.1\n=+ _y 1`i\n:U L4.2\n"},
      {"= _y ? _y : _x _l", "$ _y L4.1\n= _y _l\n$U L4.2\n:U L4.1\n= _y _x\n:U L4.2\n"},
  };
  CHECK_CASES(cases);
}

TEST_F(RewriteTest, VolatileTargetsTakeTheValueWhole) {
  std::string out = named_labels(rewrite_text("= _vol || _y _l"));
  std::string temp = static_cast<symbol *>(vec_get(function->temps, 0))->name;
  EXPECT_EQ(out, "= " + temp + " 1`b\n$ _y L3.1\n$ _l L3.1\n= " + temp + " 0`b\n:U L3.1\n= _vol " + temp + "\n");
}

TEST_F(RewriteTest, ValuesInsideExpressionsUseTemporaries) {
  std::string out = named_labels(rewrite_text("= _y + -> && _x _l `i -> 1 `i"));
  std::string temp = static_cast<symbol *>(vec_get(function->temps, 0))->name;
  EXPECT_EQ(out, "= " + temp + " 0`b\n$ ! _x L3.1\n$ ! _l L3.1\n= " + temp + " 1`b\n:U L3.1\n= _y + -> " + temp +
                     " `i 1`i\n");
  EXPECT_EQ(vec_size(function->temps), 1u);
}

TEST_F(RewriteTest, ReturnsOfLogicalValues) {
  read_records("[v _r `(i 1 e ] { ");
  const stage_case cases[] = {
      {") && _x _y", "$ ! _x L1.1\n$ ! _y L1.1\n) 1`i\n$U L2.2\n:U L1.1\n) 0`i\n:U L2.2\n"},
      {") ? _x : _y -> 3 `i", "$ _x L4.1\n) 3`i\n$U L4.2\n:U L4.1\n) _y\n:U L4.2\n"},
  };
  CHECK_CASES(cases);
  read_records("} ");
}

TEST_F(RewriteTest, SequencesEffectsAndIncrements) {
  const stage_case cases[] = {
      {", = _x -> 1 `i = _y -> 2 `i", "= _x 1`i\n= _y 2`i\n"},
      {"; ; _x _y = _l -> 3 `l", "= _l 3`l\n"},
      {"+ _x _y", ""},
      {"+ = _x -> 1 `i _y", "= _x 1`i\n"},
      {"_vol", "_vol\n"},
      {"++ _x -> 1 `i", "=+ _x 1`i\n"},
      {"-- _x -> 2 `i", "=+ _x -2`i\n"},
      {"= _y ++ _x -> 1 `i", "= _y _x\n=+ _x 1`i\n"},
      {"= _y ++ _x -> 2 `i", "= _y ++ _x 2`i\n"},  // only steps of one are split off
      {"= _y ++ _vol -> 1 `i", "= _y ++ _vol 1`i\n"},
      {"&& _y ++ _x -> 1 `i", "$ ! _y L7.1\n=+ _x 1`i\n:U L7.1\n"},
  };
  CHECK_CASES(cases);
}

TEST_F(RewriteTest, CallsInArgumentsAreHoisted) {
  std::string out = rewrite_text("( _f (2 , ( _g .. ( _h ..");
  symbol *t = static_cast<symbol *>(vec_get(function->temps, 0));
  std::string temp = t->name;
  EXPECT_EQ(out, "= " + temp + " ( _h {}\n( _f {= ?_f ( _g {} | = *U + &U ?_f 2`ux " + temp + "}\n");
  EXPECT_EQ(vec_size(function->temps), 1u) << "the first call stays the first argument";

  out = rewrite_text("( _f (2 , _x ( _g ..");
  t = static_cast<symbol *>(vec_get(function->temps, 1));
  EXPECT_EQ(out, "( _f {= *U + &U ?_f 2`ux ( _g {} | = ?_f _x}\n")
      << "the argument with the call moves in front of the others";
}

TEST_F(RewriteTest, IncrementsInArgumentsAreDoneBeforeTheCall) {
  // f(x++, y): f must see x's old value and x already stepped.
  std::string out = rewrite_text("( _f (2 , ++ _x -> 1 `i _y");
  ASSERT_EQ(vec_size(function->temps), 1u);
  std::string temp = static_cast<symbol *>(vec_get(function->temps, 0))->name;
  EXPECT_EQ(out, "= " + temp + " _x\n=+ _x 1`i\n( _f {= *U + &U ?_f 2`ux _y | = ?_f " + temp + "}\n");

  out = rewrite_text("= _y ( _g .. ");
  EXPECT_EQ(out, "= _y ( _g {}\n") << "a call without increments is left as it is";
  out = rewrite_text("= _y + ( _k .. -- _x -> 1 `i");
  EXPECT_EQ(out, "= _y + ( _k {} _x\n=+ _x -1`i\n") << "outside the arguments the step still follows";
}

TEST_F(RewriteTest, CommentsGoWithTheLastStatement) {
  tree_node *t = read_expression("$ && _x _y 5");
  t->comment = str_dup("; the source line");
  vec *list = vec_new_default();
  nodeRewrite(t, list);
  ASSERT_EQ(vec_size(list), 3u);
  EXPECT_STREQ(static_cast<tree_node *>(vec_get(list, 0))->comment, "; the source line")
      << "the first statement made for the source line carries it";
  EXPECT_EQ(static_cast<tree_node *>(vec_get(list, 1))->comment, nullptr);
  EXPECT_EQ(static_cast<tree_node *>(vec_get(list, 2))->comment, nullptr);
  for (uint32_t k = 0; k < vec_size(list); k++) tree_free(static_cast<tree_node *>(vec_get(list, k)));
  vec_free(list);
}

TEST_F(RewriteTest, JumpIfFalse) {
  tree_node *owner = read_expression("&& < _x _y _l");
  tree_node *right = owner->right;
  owner->right = nullptr;
  tree_node *jump = jump_if_false(owner, tree_const(3));
  EXPECT_EQ(tree_text(jump), "$ >= _x _y 3`l");
  tree_free(jump);
  tree_free(right);
}

}  // namespace

namespace {

// Each rebuild of a function takes the labels the one before took, however
// many other functions were rebuilt between; labels stay unique program-wide.
TEST(LabelNumbers, RebuildsTakeTheSameNumbers) {
  symbol f{}, g{};
  symbol *saved = sym_current_function();
  auto take = [](symbol *fn, int count) {
    sym_set_current_function(fn);
    if (fn) label_restart(fn);
    std::vector<uint16_t> out;
    for (int k = 0; k < count; k++) out.push_back(label_new());
    return out;
  };
  std::vector<uint16_t> first = take(&f, 3);
  std::vector<uint16_t> other = take(&g, 40);
  EXPECT_EQ(take(&f, 3), first);
  std::vector<uint16_t> more = take(&f, 60);
  EXPECT_TRUE(std::equal(first.begin(), first.end(), more.begin())) << "a longer rebuild begins as the last";
  std::vector<uint16_t> outside = take(nullptr, 2);
  std::vector<uint16_t> all = more;
  all.insert(all.end(), other.begin(), other.end());
  all.insert(all.end(), outside.begin(), outside.end());
  std::sort(all.begin(), all.end());
  EXPECT_EQ(std::adjacent_find(all.begin(), all.end()), all.end()) << "a number given twice";
  EXPECT_EQ(take(&g, 40), other);
  sym_set_current_function(saved);
}

}  // namespace
