// The target's answers to the tree rewriter and the register allocation.
#include <gtest/gtest.h>

#include "codegen/model/iset.h"
#include "codegen/model/ptrtargets.h"
#include "codegen/model/regs.h"
#include "codegen/model/symbols.h"
#include "codegen/model/tree.h"
#include "codegen/model/types.h"
#include "codegen/target/local.h"

namespace {

struct LocalTest : ::testing::Test {
  void SetUp() override { sym_init_types(); }
  static symbol *object(const char *name, ctype *type, uint8_t sclass = SC_EXTERN) {
    symbol *s = sym_new();
    sym_set_names(s, name);
    s->type = type;
    s->sclass = sclass;
    return s;
  }
  static ctype *basic(uint32_t size, uint8_t arith) {
    ctype *t = type_new(TY_BASIC);
    t->size = size;
    t->arith = arith;
    return t;
  }
};

TEST_F(LocalTest, CanonCompareSwapsGreaterThanIntoLessThan) {
  symbol *a = object("_a", type_int()), *b = object("_b", type_int());
  tree_node *gt = tree_make(OP_GT, tree_ident(a), tree_ident(b), type_bit());
  EXPECT_EQ(local_canon_compare(gt), gt);
  EXPECT_EQ(gt->op, OP_LT);
  EXPECT_EQ(gt->left->sym, b);
  EXPECT_EQ(gt->right->sym, a);
  tree_node *le = tree_make(OP_LE, tree_ident(a), tree_ident(b), type_bit());
  local_canon_compare(le);
  EXPECT_EQ(le->op, OP_GE);
  EXPECT_EQ(le->left->sym, b);
  tree_node *eq = tree_make(OP_EQ, tree_ident(a), tree_ident(b), type_bit());
  local_canon_compare(eq);
  EXPECT_EQ(eq->op, OP_EQ);
  EXPECT_EQ(eq->left->sym, a);
}

TEST_F(LocalTest, ParamRegIsWForAFirstByteOnly) {
  symbol *byte = object("_c", type_uchar(), SC_PARAM), *word = object("_i", type_int(), SC_PARAM);
  EXPECT_EQ(local_param_reg(byte, 0), uint32_t(REG_WREG));
  EXPECT_EQ(local_param_reg(byte, 1), 0u);
  EXPECT_EQ(local_param_reg(word, 0), 0u);
  EXPECT_EQ(local_null_hook(), nullptr);
}

TEST_F(LocalTest, RegClassForBySize) {
  const regset *all = rset_of(REG_ALLREG);
  regset *set = iset_alloc();
  iset_assign(set, all);
  symbol *byte = object("_c", type_uchar(), SC_AUTO);
  uint32_t reg = local_reg_class_for(byte, set);
  EXPECT_NE(reg, 0u);
  EXPECT_TRUE(reg_in_set(rset_of(REG_CLASS_FIRST + 10), reg)) << register_name(reg);
  EXPECT_EQ(local_reg_class_for(object("_t", basic(3, ARITH_SIGNED), SC_AUTO), set), 0u);
  uint32_t lreg = local_reg_class_for(object("_l", type_long(), SC_AUTO), set);
  EXPECT_EQ(lreg, rclass_pick(set, REG_CLASS_FIRST + 9));
  // A pointer to banked RAM only may live in an FSR; other words do not.
  ctype *ptr = type_derive(type_uchar(), TY_POINTER);
  type_set_ptr_size(ptr, 2);
  symbol *p = object("_p", ptr, SC_AUTO);
  p->targets = ptr_targets_new(p);
  p->targets->class_bits = 0x20000;
  EXPECT_EQ(local_reg_class_for(p, set), rclass_pick(set, REG_CLASS_FIRST + 7));
  p->targets->class_bits = 0x30000;
  EXPECT_EQ(local_reg_class_for(p, set), rclass_pick(set, REG_CLASS_FIRST + 8));
  // Objects fixed in memory stay there.
  byte->flags2 |= SYM2_FIXED;
  EXPECT_EQ(local_reg_class_for(byte, set), 0u);
  iset_free(set);
}

TEST_F(LocalTest, ConstantAddresses) {
  symbol *global = object("_g", type_uchar()), *automatic = object("_a", type_uchar(), SC_AUTO);
  symbol *near = object("_n", type_qualify(type_uchar(), Q_NEAR));
  auto addr = [](symbol *s) { return tree_make(OP_ADDR, tree_ident(s), nullptr, type_int()); };
  EXPECT_TRUE(local_is_const_address(tree_const(3)));
  EXPECT_TRUE(local_is_const_address(addr(global)));
  EXPECT_FALSE(local_is_const_address(addr(automatic)));
  EXPECT_FALSE(local_is_const_address(addr(near)));
  EXPECT_TRUE(local_is_const_address(tree_make(OP_ADD, addr(global), tree_const(2), type_int())));
  EXPECT_FALSE(local_is_const_address(tree_make(OP_ADD, addr(global), tree_ident(global), type_int())));
  tree_node *string = tree_make(OP_STRING, nullptr, nullptr, type_int());
  EXPECT_FALSE(local_is_const_address(string));
}

TEST_F(LocalTest, NodeClassesOfTheRewritingRules) {
  symbol *g = object("_g", type_int());
  EXPECT_EQ(local_node_class(tree_const(1)), 0u);
  EXPECT_EQ(local_node_class(tree_make(OP_ADDR, tree_ident(g), nullptr, type_int())), 12u);
  tree_node *reg_plus = tree_make(OP_ADD, tree_reg_ident(g, REG_FSR0), tree_const(2), type_int());
  EXPECT_EQ(local_node_class(tree_make(OP_DEREF, reg_plus, nullptr, type_int())), 2u);
  EXPECT_EQ(local_node_class(tree_ident(g)), dope[OP_ID] & D_CLASS);
  // A conversion to a narrower type of the same class looks through.
  tree_node *narrow = tree_make(OP_CONV, tree_const(5), nullptr, type_char());
  EXPECT_EQ(local_node_class(narrow), 0u);
}

TEST_F(LocalTest, CheapOperations) {
  symbol *w = object("_w", type_int()), *l = object("_l", type_long());
  ctype *byte = type_uchar();
  EXPECT_TRUE(local_cheap_op(tree_make(OP_ADD, tree_ident(l), tree_ident(l), type_long())));
  EXPECT_TRUE(local_cheap_op(tree_make(OP_SHL, tree_const(3), tree_const(1), byte)));
  EXPECT_FALSE(local_cheap_op(tree_make(OP_SHL, tree_const(3), tree_const(2), byte)));
  EXPECT_FALSE(local_cheap_op(tree_make(OP_MUL, tree_const(3), tree_const(2), type_int())));
  EXPECT_FALSE(local_cheap_op(tree_make(OP_AND, tree_const(3), tree_const(2), byte)));
  // Words decide by what lies down the left operands.
  EXPECT_FALSE(local_cheap_op(tree_make(OP_AND, tree_ident(w), tree_const(2), type_int())));
  tree_node *sum = tree_make(OP_ADD, tree_const(4), tree_ident(w), type_int());
  EXPECT_TRUE(local_cheap_op(tree_make(OP_AND, sum, tree_const(2), type_int())));
  tree_node *through = tree_make(OP_CONV, tree_ident(w), nullptr, type_int());
  EXPECT_FALSE(local_cheap_op(tree_make(OP_AND, through, tree_const(2), type_int())));
}

TEST_F(LocalTest, StepOne) {
  symbol *m = object("_m", type_uchar()), *r = object("_r", type_uchar());
  r->reg = REG_PRODL;
  r->flags2 |= SYM2_IN_REGISTER;
  EXPECT_TRUE(local_is_step_one(tree_make(OP_POSTINC, tree_ident(m), tree_const(1), type_uchar())));
  EXPECT_FALSE(local_is_step_one(tree_make(OP_POSTINC, tree_ident(m), tree_const(2), type_uchar())));
  EXPECT_FALSE(local_is_step_one(tree_make(OP_POSTINC, tree_ident(r), tree_const(1), type_uchar())));
}

}  // namespace
