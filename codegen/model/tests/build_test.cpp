// Typed tree construction: the types, targets and rewrites that building a
// node gives, read from prefix text.
#include <gtest/gtest.h>

#include <string>

#include "codegen/model/build.h"
#include "codegen/model/progstate.h"
#include "codegen/model/ptrtargets.h"
#include "codegen/model/symbols.h"
#include "codegen/model/tests/model_support.h"
#include "codegen/model/treetext.h"
#include "codegen/model/tree.h"
#include "codegen/model/types.h"
#include "common/vector.h"

namespace {

const char DECLARATIONS[] =
    "[v _x `i 1 e ] [v _y `i 1 e ] [v _l `l 1 e ] [v _uc `uc 1 e ] [v _p `*c 1 e ] [v _q `*i 1 e ] "
    "[v _f `(i 0 e`i`i ] [v _g `(i 0 e ] [v _v `(v 0 e`c ] "
    "[s S1 :3 `ui 1 :5 `ui 1 `l 1 ] [v _s `S1 1 e ] [c E2 4 9 .. ]";

class BuildTest : public testing::Test {
 protected:
  void SetUp() override {
    fresh_model();
    read_records(DECLARATIONS);
  }
  std::string built(const char *text) {
    tree_node *t = read_expression(text);
    std::string out = tree_typed_text(t);
    tree_free(t);
    return out;
  }
};

TEST_F(BuildTest, TypesOfOperators) {
  const stage_case cases[] = {
      {"< _x _y", "<:b _x:i _y:i"},
      {"&& _x _l", "&&:b _x:i _l:l"},
      {"+ _x _y", "+:i _x:i _y:i"},
      {"# _l", "4`l"},
      {"#T _x", "#T:ui _x:i"},
      {"+ _p -> 3 `i", "+:*c _p:*c 3`i"},
      {"+ -> 3 `i _p", "+:*c 3`i _p:*c"},
      {"- _p _p", "-:i _p:*c _p:*c"},
      {"- _p -> 2 `l", "-:*c _p:*c 2`i"},
      {"- _x -U _y", "+:i _x:i _y:i"},
      {"*U &U _x", "_x:i"},
      {"&U *U _q", "_q:*i"},
      {"; _l _x", ";:i _l:l _x:i"},
      {"? -> 1 `i : _x _y", "_x:i"},
      {"? -> 0 `i : _x _y", "_y:i"},
      {"? _x : _p -> 0 `*c", "?:*c _x:i ::*c _p:*c 0`*c"},
      {":s 3", "&U:*Cuc STR_3:C[0]uc"},
      {". `E2 1", "9`E2"},
      {". `S1 2", "1`l"},
      {". _s 2", ".:l _s:S1 1`x"},
      {". _s 1", "BITFIELD:ui .:ui _s:S1 0`x"},
      {"&U . _s 2", "+:*l &U:*S1 _s:S1 1`ux"},  // &*(&s + 1) is the sum
  };
  for (const stage_case &c : cases) EXPECT_EQ(built(c.input), c.expected) << c.input;
}

TEST_F(BuildTest, ConstantConversions) {
  tree_node *t = read_expression("-> 32 `*c");
  EXPECT_EQ(t->op, OP_CONST) << "a constant address is no conversion node";
  EXPECT_EQ(t->value, 32);
  ASSERT_NE(t->targets, nullptr);
  EXPECT_EQ(vec_size(t->targets->targets), 1u) << "one whole-area target";
  EXPECT_EQ(t->indir, 1u) << "its value is what the set holds, the area, as a pointer's is";
  EXPECT_EQ(type_size(t->type), 2u) << "sized from that target";
  tree_free(t);
  t = read_expression("-> 4660 `*(v");
  ASSERT_NE(t->targets, nullptr);
  symbol *target = static_cast<ptr_targets *>(vec_get(t->targets->targets, 0))->owner;
  EXPECT_STREQ(target->name, "Absolute_function");
  EXPECT_EQ(target->address, 4660u);
  tree_free(t);
  EXPECT_EQ(built("-> 200 `c"), "-56`c");
  EXPECT_EQ(built("-> _x `l"), "->:l _x:i `l");
}

// A pointer read through a constant address points where the values of the
// area point (nothing known here), never into the area itself: a null
// pointer to const pointers must not make what is read through it a
// pointer to program memory.
TEST_F(BuildTest, PointersReadThroughAConstantAddressAreNotTheArea) {
  read_records("[v _pc `*C*c 1 e ] [v _pr `*c 1 e ]");
  for (const char *text : {"= _pc -> 0 `*C*c", "= _pr *U _pc", "= _p *U -> 0 `*C*c"}) tree_free(read_expression(text));
  sym_propagate_targets();
  ptr_targets *area = sym_ptr_targets(sym_find("_pc"));
  ASSERT_EQ(vec_size(area->targets), 1u) << "the constant's area";
  const symbol *owner = static_cast<ptr_targets *>(vec_get(area->targets, 0))->owner;
  ASSERT_NE(owner, nullptr) << "the area, not a set of its own";
  EXPECT_STREQ(owner->name, "ROM");
  EXPECT_EQ(vec_size(sym_ptr_targets(sym_find("_pr"))->targets), 0u);
  EXPECT_EQ(vec_size(sym_ptr_targets(sym_find("_p"))->targets), 0u);
}

TEST_F(BuildTest, SizeofIsACompilerMadeConstant) {
  tree_node *t = read_expression("# _s");
  EXPECT_EQ(t->op, OP_CONST);
  EXPECT_EQ(t->value, 5) << "two bit-fields share a byte";
  EXPECT_TRUE(t->flags & TF_MADE_CONST);
  tree_free(t);
}

TEST_F(BuildTest, AssignmentToANeverUsedObjectIsItsValue) {
  sym_find("_x")->flags |= SYM_NEVER_USED;
  EXPECT_EQ(built("= _x + _y -> 1 `i"), "+:i _y:i 1`i");
  EXPECT_EQ(built("= _y _l"), "=:i _y:i _l:l");
}

TEST_F(BuildTest, CallsBindTheirArguments) {
  EXPECT_EQ(built("( _f (2 , _x _y"),
            "(:i _f:(i {=:i *U:i +:*i &U:*i ?_f:i 2`ux _y:i | =:i *U:i +:*i &U:*i ?_f:i 0`ux _x:i}");
  EXPECT_EQ(built("( _g .."), "(:i _g:(i {}");
  // Side parts of arguments run before the call.
  EXPECT_EQ(built("( _v (1 ; = _y -> 1 `i _uc"), ";:v =:i _y:i 1`i (:v _v:(v {=:c %1 _uc:uc}");
  tree_node *call = read_expression("( _g ..");
  EXPECT_EQ(call->callee, sym_find("_g"));
  EXPECT_EQ(call->right->op, OP_CALLARGS);
  tree_free(call);
}

TEST_F(BuildTest, VariableArgumentBuiltins) {
  read_records(
      "[v ___va_arg `(*i 0 e ] [v ___va_start `(*c 0 e ] [v _ap `*i 1 e ] "
      "[v _h `(v 1 e1v`c`l ] { [v _k `c 1 p ] [v _m `l 1 p ] ");
  sym_find("___va_arg")->flags2 |= SYM2_INLINE;
  sym_find("___va_start")->flags2 |= SYM2_INLINE;
  EXPECT_EQ(built("( ___va_arg (1 _ap"), "++:*i _ap:*i 2`i") << "the old pointer, advanced by 2";
  EXPECT_EQ(built("( ___va_start .."), "+:*uc &U:*uc ?_h:[4]uc 4`ux") << "after the fixed parameters in memory";
  read_records("}");
}

TEST_F(BuildTest, KnownValuesOfObjects) {
  read_records("[v _k `Ci 1 e ] [v _z `i 1 e ] [v _w `i 1 e ] ");
  symbol *k = sym_find("_k"), *z = sym_find("_z"), *w = sym_find("_w");
  k->init = tree_const_typed(5, type_int());
  EXPECT_EQ(built("+ _k _x"), "+:i 5`i _x:i") << "a constant object is its value";
  EXPECT_EQ(built("&U _k"), "&U:*Ci _k:Ci") << "its address stays";
  z->object_list = OBJ_UNINITIALISED;
  w->object_list = OBJ_INITIALISED;
  w->init = tree_const_typed(7, type_int());
  EXPECT_EQ(built("+ _z _w"), "+:i _z:i _w:i");
  model.final_alloc_entered = true;
  EXPECT_EQ(built("+ _z _w"), "+:i 0`i 7`i") << "never-written objects keep their first values";
  w->flags |= SYM_ASSIGNED;
  EXPECT_EQ(built("+ _z _w"), "+:i 0`i _w:i");
  z->flags2 |= SYM2_ADDRESS_TAKEN;
  EXPECT_EQ(built("+ _z _x"), "+:i _z:i _x:i");
  model.final_alloc_entered = false;
  tree_free(k->init);
  tree_free(w->init);
  k->init = w->init = nullptr;
}

TEST_F(BuildTest, LateDiagnostics) {
  read_records("[s S3 `i 1 ] [s S4 `l 1 ] [v _a3 `*S3 1 e ] { [v _t `i 1 a ] ");
  model.mach_alloc_entered = true;
  next_position();
  captured_lines().clear();
  EXPECT_EQ(built("-> _a3 `*S4"), "->:*S4 _a3:*S3 `*S4");
  EXPECT_EQ(captured_numbers(), std::vector<unsigned>{1264});
  next_position();
  captured_lines().clear();
  built("+ _t _x");
  built("+ _t _x");
  EXPECT_EQ(captured_numbers(), std::vector<unsigned>{1257}) << "an auto read but never assigned, once";
  model.mach_alloc_entered = false;
  pointGraphCompleted = true;
  next_position();
  captured_lines().clear();
  built("*U _q");
  EXPECT_EQ(captured_numbers(), std::vector<unsigned>{1230});
  pointGraphCompleted = false;
  read_records("} ");
}

TEST_F(BuildTest, MemberAddress) {
  tree_node *t = read_expression(". _s 2");
  t = tree_member_address(t);
  EXPECT_EQ(tree_typed_text(t), "*U:l +:*S1 &U:*S1 _s:S1 1`ux");
  tree_free(t);
}

TEST_F(BuildTest, ConversionHelpers) {
  tree_node *c = tree_const_typed(70000, type_index());
  EXPECT_EQ(tree_text(c), "4464`x");
  tree_free(c);
  tree_node *x = read_expression("-> -> _uc `i `l");
  tree_node *conv = tree_convert_to(x, type_long());
  EXPECT_EQ(tree_typed_text(conv), "->:l ->:i _uc:uc `i `l") << "a sign change is kept";
  tree_free(conv);
  tree_node *narrowing = tree_convert_to(read_expression("-> _l `uc"), type_int());
  EXPECT_EQ(tree_typed_text(narrowing), "->:i ->:uc _l:l `uc `i") << "narrowing conversions change the value and stay";
  tree_free(narrowing);
}

}  // namespace
