// The simplifier: constant folding, the rules common to all operators and
// those of each operator, each case one tree in prefix text simplified.
#include <gtest/gtest.h>

#include <string>

#include "codegen/model/fold.h"
#include "codegen/model/progstate.h"
#include "codegen/model/simplify.h"
#include "codegen/model/symbols.h"
#include "codegen/model/tests/model_support.h"
#include "codegen/model/treetext.h"
#include "codegen/model/tree.h"

namespace {

const char DECLARATIONS[] =
    "[v _x `i 1 e ] [v _y `i 1 e ] [v _u `ui 1 e ] [v _c `c 1 e ] [v _uc `uc 1 e ] [v _l `l 1 e ] "
    "[v _p `*c 1 e ] [v _g `(i 0 e ] [v _vol `Vi 1 e ] [v _b `b 1 e ] [c E1 0 3 .. ] [v _e `E1 1 e ] "
    "[s S1 :3 `ui 1 :5 `ui 1 ] [v _s `S1 1 e ] [v _f `f 1 e ] [v _h `f 1 e ] ";

class FoldTest : public testing::Test {
 protected:
  void SetUp() override {
    fresh_model();
    read_records(DECLARATIONS);
  }
  void TearDown() override { model.warning_level = 0; }

  void check(const stage_case *cases, size_t count) {
    for (size_t k = 0; k < count; k++) {
      const stage_case &c = cases[k];
      next_position();
      captured_lines().clear();
      tree_node *t = tree_simplify(read_expression(c.input));
      EXPECT_EQ(tree_text(t), c.expected) << c.input;
      EXPECT_EQ(captured_numbers(), c.messages) << c.input;
      tree_free(t);
    }
  }
};

#define CHECK_CASES(cases) check(cases, sizeof(cases) / sizeof(cases[0]))

TEST_F(FoldTest, ConstantFolding) {
  const stage_case cases[] = {
      {"/ -> -7 `i -> 2 `i", "-3`i"},
      {"% -> -7 `i -> 2 `i", "-1`i"},
      {">> -> -7 `i -> 1 `i", "-4`i"},
      {">> -> 144 `uc -> 1 `uc", "72`uc"},
      {"/ -> -32768 `i -> -1 `i", "-32768`i", {751}},  // wraps at the type's width
      {"* -> 300 `i -> 300 `i", "24464`i", {751}},
      {"<< -> 1 `l -> 31 `l", "-2147483648`l"},
      {"/ -> 4000000000 `ul -> 3 `ul", "1333333333`ul"},
      {"< -> -1 `ul -> 1 `ul", "0`b"},             // unsigned comparison
      {"< -> -1 `l -> 1 `l", "1`b"},
      {"% -> 5 `i -> 0 `i", "% 5`i 0`i", {743, 755}},
      {"-> -> 300 `i `uc", "44`uc", {751}},
      {"-> .2.75 `i", "2`i"},
      {"-> -U .2.75 `i", "-2`i"},
      {"+ .1.5 .2.25", ".3.75`d"},
      {"< .1.5 .2.25", "1`b"},
      {"/ .1.5 .0.0", "/ .1.5`d .0`d", {743}},
      {"-> -> 65535 `ui `l", "65535`l"},
      {"! -> 0 `i", "1`b"},
      {"~ -> 0 `uc", "255`uc"},
  };
  CHECK_CASES(cases);
}

// Float constants hold the values of their format (16 significant bits for
// float): a conversion and every folded operation round.
TEST_F(FoldTest, FloatConstantsRoundToTheirFormat) {
  const stage_case cases[] = {
      {"-> -> .3000000001.0 `f `ul", "-1294991360`ul"},  // 0B2D00000h
      {"-> .1.0000152587890625 `f", ".1`f"},  // halfway: to even
      {"- + -> .1.0 `f -> .0.00001 `f -> .1.0 `f", ".0`f"},
      {"== -> .0.1 `f -> .0.1000001 `f", "1`b"},
  };
  CHECK_CASES(cases);
}

// !(a < b) is not a >= b when a or b may be a NaN.
TEST_F(FoldTest, FloatOrderingsKeepTheirNegation) {
  const stage_case cases[] = {
      {"! < _f _h", "! < _f _h"},
      {"! >= _f _h", "! >= _f _h"},
      {"! == _f _h", "!= _f _h"},
      {"! != _f _h", "== _f _h"},
      {"! < _x _y", ">= _x _y"},
  };
  CHECK_CASES(cases);
}

TEST_F(FoldTest, JumpsOnConstantConditions) {
  const stage_case cases[] = {
      {"$ -> 0 `i 7", "0`i", {757}},
      {"$ -> 1 `i 7", "$U 7`l", {757}},
      {"$ < -> 1 `i -> 2 `i 7", "$U 7`l", {757}},
  };
  CHECK_CASES(cases);
  next_position();
  captured_lines().clear();
  tree_node *t = read_expression("$ -> 1 `i 7");
  t->flags |= TF_MADE_CONST;
  t = tree_simplify(t);
  EXPECT_TRUE(captured_numbers().empty()) << "a compiler-made condition does not warn";
  tree_free(t);
}

TEST_F(FoldTest, BitFieldAssignments) {
  const stage_case cases[] = {
      {"= . _s 0 -> 7 `ui", "=| BITFIELD -> _s `ui 7`ui"},
      {"= . _s 0 -> 0 `ui", "=& BITFIELD -> _s `ui 0`ui"},
      {"= . _s 0 -> 5 `ui", "= BITFIELD -> _s `ui 5`ui"},
      {"= . _s 0 -> 13 `ui", "= BITFIELD -> _s `ui 5`ui", {762}},
      {"=+ . _s 1 -> 33 `ui", "=+ BITFIELD -> _s `ui 1`ui"},
  };
  CHECK_CASES(cases);
}

TEST_F(FoldTest, CommonRules) {
  const stage_case cases[] = {
      {"+ -> 3 `i _x", "+ _x 3`i"},                 // constants to the right
      {"+ + _x -> 3 `i -> 4 `i", "+ _x 7`i"},
      {"+ + * -> 2 `i _x -> 3 `i * _x -> 2 `i", "+ << _x 2`c 3`i"},
      {"- + _x _x _x", "_x"},
      {"- + _x _y _x", "_y"},
      {"+ ~ _x -> 1 `i", "-U _x"},
      {"+ ; = _x -> 1 `i _y _l", "; = _x 1`i + _y _l"},
      {"+ _l ; = _x -> 1 `i _y", "; = _x 1`i + _l _y"},
      {"<< _x -> 16 `i", "_x", {753}},
      {"<< _uc -> 9 `uc", "0`uc"},
      {"*U -> 32 `*c", "32"},
      {"== -> _uc `i -> 300 `i", "0`b", {765}},
      {"== -> 300 `i -> _uc `i", "0`b", {765}},
      {"< -> _uc `i -> 300 `i", "1`b", {765}},
      {"== -> _c `i -> 300 `i", "0`b", {766}},
      {"== -> -> _c `ui `l -> 65535 `l", "== -> _c `ui 65535`ui"},  // a widened -1 is 65535
      {"== -> _uc `i -> 7 `i", "== _uc 7`uc"},
      {"< -> _c `i -> _uc `i", "< -> _c `i -> _uc `i"},
      {"< -> _uc `l -> _uc `l", "< _uc _uc"},
      {"== ++ _x -> 1 `i -> 5 `i", "== =+ _x 1`i 6`i"},
      {"< ++ _x -> 1 `i -> 5 `i", "< ++ _x 1`i 5`i"},   // wrapping makes an ordering differ
      {"> _u -> 0 `ui", "!= _u 0`ui"},
      {"/ -> _uc `i -> _uc `i", "-> / _uc _uc `i"},
      {"/ -> _c `i -> _c `i", "/ -> _c `i -> _c `i"},  // -128 / -1 leaves a byte
  };
  CHECK_CASES(cases);
}

TEST_F(FoldTest, OperatorRules) {
  const stage_case cases[] = {
      {"* _x -> 1 `i", "_x"},
      {"/ _x -> 1 `i", "_x"},
      {"& _x -> 0 `i", "0`i"},
      {"& = _x -> 1 `i -> 0 `i", "; = _x 1`i 0`i"},  // the effect stays
      {"=& _x -> 0 `i", "= _x 0`i"},
      {"=* _x -> 0 `i", "= _x 0`i"},
      {"* _x -> 0 `i", "0`i"},
      {"* = _x -> 1 `i -> 0 `i", "; = _x 1`i 0`i"},  // the effect stays
      // A constant factor on the left is taken like one on the right.
      {"* -> 0 `i _x", "0`i"},
      {"* -> 1 `i _x", "_x"},
      {"* -> 8 `i _x", "<< _x 3`c"},
      {"* _x -> -8 `i", "-U << _x 3`c"},
      {"* _x -> 8 `i", "<< _x 3`c"},
      {"/ _x -> 8 `i", "/ _x 8`i"},
      {"/ _u -> 8 `ui", ">> _u 3`uc"},
      {"% _u -> 8 `ui", "& _u 7`ui"},
      {"% _x -> 8 `i", "% _x 8`i"},
      {"/ -U _x -> 3 `i", "/ _x -3`i"},
      {"/ -U _u -> 3 `ui", "/ -U _u 3`ui"},
      {"/ _uc -> 300 `uc", "/ _uc 44`uc", {751}},
      {"< _u -> 0 `ui", "0`b", {765}},
      {"< _e -> 0 `E1", "0`b"},
      {"> _x -> 5 `i", ">= _x 6`i"},
      {"< -> 5 `i _x", ">= _x 6`i"},
      {"<= _x _y", ">= _y _x"},
      {"< -> 32767 `i _x", "0`b"},
      {">= _u -> 65535 `ui", "== _u 65535`ui"},
      {"< _x -> 32767 `i", "!= _x 32767`i"},
      {"<= _x -> -32768 `i", "== _x -32768`i"},
      {"< _x -> -32768 `i", "0`b", {766}},
      {"<= _u -> 0 `ui", "== _u 0`ui"},
      {"> .1.5 _x", "< _x .1.5`d"},
      {"== ~ _x -> 5 `i", "== _x -6`i"},
      {"!= _b -> 1 `b", "! _b"},
      {"== & _x -> 4 `i -> 4 `i", "!= & _x 4`uc 0`uc"},
      {"! ! _x", "!= _x 0`i"},
      {"! ! < _x _y", "< _x _y"},
      {"! && _x _y", "|| ! _x ! _y"},
      {"! < _x _y", ">= _x _y"},
      {"&& -> 1 `i _x", "!= _x 0`i", {750}},
      {"&& _x -> 0 `i", "0`b", {750}},
      {"|| _x -> 5 `i", "1`b", {750}},
      {"|| = _x -> 1 `i -> 5 `i", "; = _x 1`i 1`b", {750}},
      {"^ _x -> 0 `i", "_x"},
      {"^ _u -> 65535 `ui", "~ _u"},
      {"| _x -> -1 `i", "-1`i"},
      {"| = _x -> 1 `i -> -1 `i", "; = _x 1`i -1`i"},
      {"=| _x -> -1 `i", "= _x -1`i"},
      {"+ _b _b", "!= _b _b"},  // bits add as exclusive or, which is !=
      {"+ _x _x", "<< _x 1`c"},
      {"+ _vol _vol", "+ _vol _vol"},
      {"- -> 65535 `ui _u", "~ _u"},
      {"- -> 255 `ui -> _uc `ui", "-> ~ _uc `ui"},
      {"- -> 255 `i -> _c `i", "- 255`i -> _c `i"},  // c is sign-extended
      {"? _x : -> 1 `i -> 0 `i", "-> != _x 0`i `i"},
      {"? < _x _y : -> 1 `i -> 0 `i", "-> < _x _y `i"},
      {"? < _x _y : -> 0 `i -> 1 `i", "-> >= _x _y `i"},
      {"? _x : *U _p *U + _p -> 1 `i", "*U ? _x : _p + _p 1`i"},
      {"; _y ; _x _l", "_l"},
      {"; = _x _y ; _y _l", "; = _x _y _l"},
      {"; ++ _x -> 1 `i _y", "; =+ _x 1`i _y"},
      {"; _vol _y", "; _vol _y"},
      {"= _x + _x _y", "=+ _x _y"},
      {"= _x + _y _x", "=+ _x _y"},
      {"= _x _x", "_x"},
      {"= _x ~ _x", "=^ _x -1`i"},
      {"= _uc | << _uc -> 3 `uc >> _uc -> 5 `uc", "<<>= _uc 3`uc"},
      {"= _uc | >> _uc -> 2 `uc << _uc -> 6 `uc", ">><= _uc 2`uc"},
      {"= _uc | << _uc -> 3 `uc >> _uc -> 4 `uc", "= _uc | << _uc 3`uc >> _uc 4`uc"},
      {"=<< _u -> 16 `ui", "_u", {753}},  // past the width of int
      {"=<< _uc -> 8 `uc", "= _uc 0`uc"},
      {"=+ _x -> 0 `i", "_x"},
      {"# _s", "1`l"},
  };
  CHECK_CASES(cases);
}

// A statement x = a op b done as x = a; x op= b, and those kept whole.
TEST_F(FoldTest, StatementsSplitWhereBothStepsAreInPlace) {
  const stage_case cases[] = {
      {"= _u ^ << _u -> 1 `ui -> 4129 `ui", "; =<< _u 1`uc =^ _u 4129`ui"},  // the CRC step
      {"; = _y _x = _u ^ << _u -> 1 `ui -> 4129 `ui", "; = _y _x ; =<< _u 1`uc =^ _u 4129`ui"},
      {"= _l + << _l -> 3 `l _x", "; =<< _l 3`c =+ _l _x"},
      // b reads x through a pointer or may in a call: x is stored last.
      {"= _u ^ << _u -> 1 `ui -> *U _p `ui", "= _u ^ << _u 1`uc -> *U _p `ui"},
      {"= _x ^ << _x -> 1 `i ( _g", "= _x ^ << _x 1`c ( _g {= ?_g 0`l}"},
      // A signed shift stored in an unsigned word is done in the signed type.
      {"= _u -> >> | _x -> 3 `i -> 1 `i `ui", "= _u -> >> | _x 3`i 1`c `ui"},
      // A copy, a volatile target, a byte: no gain.
      {"= _u ^ -> _y `ui -> 5 `ui", "= _u ^ _y 5`ui"},
      {"= _vol ^ << _vol -> 1 `i -> 5 `i", "= _vol ^ << _vol 1`c 5`i"},
      {"= _uc -> ^ << -> _uc `i -> 1 `i -> 7 `i `uc", "= _uc ^ << _uc 1`c 7`uc"},
      // Inside a statement the store would move ahead of its siblings.
      {"+ _y = _u ^ << _u -> 1 `ui -> 4129 `ui", "+ _y = _u ^ << _u 1`uc 4129`ui"},
  };
  for (const stage_case &c : cases) {
    next_position();
    tree_node *t = fold_split_statement(tree_simplify(read_expression(c.input)));
    if (t->op == OP_SEQ) t = tree_simplify(t);
    EXPECT_EQ(tree_text(t), c.expected) << c.input;
    tree_free(t);
  }
}

TEST_F(FoldTest, PedanticWarnings) {
  model.warning_level = -1;
  const stage_case cases[] = {
      {"< -> 1 `ui -> 2 `ui", "1`b", {768}},
      {"== &U _x -> 0 `*i", "== &U _x 0`*i", {768}},
      {"? -> 1 `i : _x _y", "_x"},
  };
  CHECK_CASES(cases);
}

TEST_F(FoldTest, ASeparateRulesStepPerNode) {
  // tree_fold alone: one node, one visit.
  tree_node *t = read_expression("+ -> 3 `i _x");
  t = tree_fold(t);
  EXPECT_EQ(tree_text(t), "+ _x 3`i");
  tree_free(t);
}

}  // namespace
