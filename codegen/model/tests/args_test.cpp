// Argument binding, the common-object test, type texts and signatures.
#include <gtest/gtest.h>

#include <string>

#include "codegen/model/args.h"
#include "codegen/model/funcnum.h"
#include "codegen/model/progstate.h"
#include "codegen/model/ptrtargets.h"
#include "codegen/model/symbols.h"
#include "codegen/model/tests/model_support.h"
#include "codegen/model/treetext.h"
#include "codegen/model/tree.h"
#include "codegen/model/types.h"
#include "common/vector.h"

namespace {

class ArgsTest : public testing::Test {
 protected:
  void SetUp() override { fresh_model(); }
  void TearDown() override { mode_word = 0; }
};

tree_node *id(const char *name) { return tree_ident(sym_find(name)); }

tree_node *node(uint32_t op, tree_node *l, tree_node *r = nullptr) {
  return tree_make(op, l, r, l ? l->type : type_void());
}

struct call_parts {
  tree_node *call, *callargs;
};

call_parts bind(const char *callee, tree_node *args) {
  symbol *f = sym_find(callee);
  tree_node *call = tree_make(OP_CALL, tree_ident(f), nullptr, type_int());
  call->callee = f;
  f->arg_offset = 0;
  tree_node *callargs = tree_make(OP_CALLARGS, tree_make(OP_EMPTY, nullptr, nullptr, type_void()), nullptr,
                                  type_void());
  tree_bind_args(call, callargs, args);
  call->right = callargs;
  return {call, callargs};
}

std::string arg(const call_parts &c, uint32_t k) {
  return tree_text(static_cast<tree_node *>(vec_get(c.callargs->args, k)));
}

TEST_F(ArgsTest, ExtraArgumentsGoToTheParameterAreaAtTheRunningOffset) {
  read_records(
      "[v _a `i 1 e ] [v _b `i 1 e ] [v _c `l 1 e ] "
      "[v _f `(v 1 e2v`i`i ] { [v _x `i 1 r1 ] [v _y `i 1 r2 ] }");
  call_parts c = bind("_f", node(OP_COMMA, node(OP_COMMA, id("_a"), id("_b")), id("_c")));
  ASSERT_EQ(vec_size(c.callargs->args), 3u);
  EXPECT_EQ(arg(c, 0), "= *U + &U ?_f 4`ux _c") << "the list runs in reverse source order";
  EXPECT_EQ(arg(c, 1), "= *U + &U ?_f 2`ux _b");
  EXPECT_EQ(arg(c, 2), "= *U + &U ?_f 0`ux _a");
  EXPECT_EQ(type_string(static_cast<tree_node *>(vec_get(c.callargs->args, 0))->type), "l");
  uint32_t number = sym_func_number(sym_find("_f"));
  EXPECT_EQ(static_cast<tree_node *>(vec_get(c.callargs->args, 0))->call_site, number << 16 | 4);
  EXPECT_EQ(sym_find("_f")->arg_max, 8u);
  EXPECT_EQ(type_size(sym_param_area(sym_find("_f"))->type), 8u) << "the area holds every argument";
  tree_free(c.call);
}

TEST_F(ArgsTest, FewerArgumentsBindFewerParameters) {
  read_records("[v _a `i 1 e ] [v _f `(v 0 e`i`i`i ]");
  call_parts c = bind("_f", node(OP_ARGS1 + 2, id("_a")));
  ASSERT_EQ(vec_size(c.callargs->args), 1u);
  EXPECT_EQ(arg(c, 0), "= *U + &U ?_f 0`ux _a");
  tree_free(c.call);
  c = bind("_f", tree_make(OP_EMPTY, nullptr, nullptr, type_void()));
  EXPECT_EQ(vec_size(c.callargs->args), 0u);
  tree_free(c.call);
}

TEST_F(ArgsTest, RegisterParametersAndSideParts) {
  read_records("[v _a `c 1 e ] [v _b `i 1 e ] [v _g `(v 0 e`c`i ]");
  // g((a, b), a): the side part of the first argument is kept for the call.
  call_parts c = bind("_g", node(OP_COMMA, node(OP_SEQ, id("_b"), id("_a")), node(OP_ARG_VAR, id("_a"))));
  ASSERT_EQ(vec_size(c.callargs->args), 2u);
  EXPECT_EQ(arg(c, 1), "= %1 _a") << "the first 1-byte parameter arrives in W";
  EXPECT_EQ(arg(c, 0), "= *U + &U ?_g 0`ux _a");
  ASSERT_EQ(vec_size(c.call->args), 1u);
  EXPECT_EQ(tree_text(static_cast<tree_node *>(vec_get(c.call->args, 0))), "_b");
  tree_free(c.call);
}

TEST_F(ArgsTest, BindingPairsPointerTargets) {
  read_records("[v _a `i 1 e ] [v _h `(v 0 e`*i ]");
  tree_node *address = tree_make(OP_ADDR, id("_a"), nullptr, type_parse("*i"));
  address->targets = sym_ptr_targets(sym_find("_a"));
  address->indir = 0;
  call_parts c = bind("_h", address);
  symbol *param = static_cast<symbol *>(vec_get(sym_params(sym_find("_h")), 0));
  sym_propagate_targets();
  ASSERT_EQ(vec_size(sym_ptr_targets(param)->targets), 1u);
  tree_free(c.call);
}

TEST_F(ArgsTest, CommonObjects) {
  read_records("[v _a `i 1 e ] [v _b `i 1 e ] [v _c `i 1 e ]");
  tree_node *shared = node(OP_ASSIGN, id("_a"), node(OP_ADD, id("_b"), id("_a")));
  tree_node *apart = node(OP_ASSIGN, id("_a"), node(OP_ADD, id("_b"), id("_c")));
  EXPECT_TRUE(tree_may_alias(shared));
  EXPECT_FALSE(tree_may_alias(apart));
  apart->flags |= TF_MAY_SHARE;
  EXPECT_TRUE(tree_may_alias(apart));
  shared->flags |= TF_NEVER_SHARE;
  EXPECT_FALSE(tree_may_alias(shared));
  tree_node *unary = node(OP_NEG, id("_a"));
  EXPECT_FALSE(tree_may_alias(unary));
  for (tree_node *t : {shared, apart, unary}) tree_free(t);

  // Fifty different names on one side count as sharing; forty-nine do not.
  for (int names : {49, 50}) {
    tree_node *sum = id("_c");
    for (int k = 0; k < names - 1; k++) {
      std::string record = "[v _v" + std::to_string(k) + " `i 1 e ]";
      read_records(record.c_str());
      sum = node(OP_ADD, sum, id(("_v" + std::to_string(k)).c_str()));
    }
    tree_node *t = node(OP_ASSIGN, id("_a"), sum);
    EXPECT_EQ(tree_may_alias(t), names == 50) << names;
    tree_free(t);
  }
}

TEST_F(ArgsTest, TypeTexts) {
  read_records("[s S1 `i 1 ] [n S1 point x ] [c E2 0 1 .. ]");
  ctype *f = type_derive(type_long(), TY_FUNCTION);
  vec_push(f->params, type_int());
  vec_push(f->params, type_char());
  ctype *g = type_derive(type_void(), TY_FUNCTION);
  vec_push(g->params, type_int());
  g->variadic = true;
  struct {
    ctype *type;
    const char *text;
  } cases[] = {
      {type_parse("*Cuc"), "PTR const unsigned char "},
      {type_array_of(type_int(), 10), "int [10]"},
      {f, "FTN(int ,char )long "},
      {g, "FTN(int ,...)void "},
      {type_parse("VFNIi"), "volatile far near interrupt int "},
      {type_parse("TLs"), "Q_0410000 short "},
      {type_parse("b"), "bit "},
      {type_parse("f"), "float "},
      {type_parse("d"), "double "},
      {type_parse("x"), "x "},
      {type_parse("S1"), "struct point"},
      {type_parse("E2"), "enum E2"},
      {nullptr, "(NOTYPE)"},
  };
  for (auto &c : cases) EXPECT_STREQ(type_text(c.type), c.text) << c.text;
}

TEST_F(ArgsTest, LongTypeTextsStopAtTheBuffer) {
  ctype *t = type_int();
  for (int k = 0; k < 400; k++) t = type_derive(t, TY_POINTER);
  std::string text = type_text(t);
  EXPECT_LT(text.size(), 1024u);
  EXPECT_EQ(text.size() % 4, 0u) << "only whole pieces are written";
  EXPECT_EQ(text.substr(0, 8), "PTR PTR ");
}

TEST_F(ArgsTest, Signatures) {
  read_records(
      "[s S1 `l 1 `l 1 `l 1 ] "
      "[v _i `(i 0 e ] [v _uc `(uc 0 e ] [v _l `(l 0 e ] [v _p `(*c 0 e ] [v _v `(v 0 e ] "
      "[v _s `(S1 0 e ] [v _fl `(f 0 e ] [v _r `(c 0 ef2 ] [v _va `(i 0 ev`i ] "
      "[v _n `N(i 0 e ] [v _fa `F(i 0 e ] [v _fc `T(i 0 e ]");
  struct {
    const char *name;
    uint16_t signature;
  } cases[] = {
      {"_i", 0x2},    {"_uc", 0x9},   {"_l", 0x4},     {"_p", 0xb},    {"_v", 0x18},
      {"_s", 0x1f},   {"_fl", 0x13},  {"_r", 0x2021},  {"_va", 0x2},   {"_n", 0x82},
      {"_fa", 0x102}, {"_fc", 0x402},
  };
  for (auto &c : cases) EXPECT_EQ(sym_signature(sym_find(c.name)), c.signature) << c.name;
  mode_word = MODE_AUTOSTATIC;
  EXPECT_EQ(sym_signature(sym_find("_va")), 0x242);
  EXPECT_EQ(sym_signature(sym_find("_i")), 0x42);
}

TEST_F(ArgsTest, FunctionNumbers) {
  read_records("[v _f `(v 0 e ] [v _g `(v 0 e ]");
  symbol *f = sym_find("_f"), *g = sym_find("_g");
  uint32_t nf = sym_func_number(f), ng = sym_func_number(g);
  EXPECT_NE(nf, ng);
  EXPECT_EQ(sym_func_number(f), nf);
  EXPECT_EQ(sym_by_func_number(nf), f);
  // The same function declared by another input is another record of one name.
  symbol *other = sym_new();
  other->name = other->base_name = other->key = const_cast<char *>("_f");
  EXPECT_EQ(sym_func_number(other), nf);
  other->name = other->base_name = other->key = nullptr;
  EXPECT_EQ(sym_func_number(sym_new_area("__zero", 0, 1, 0)), 0u);
}

}  // namespace
