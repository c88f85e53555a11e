// Code selection and emission over the tests' own description
// (patterns/rules.pat): W taken forces a temporary, a second work register
// is picked, operands that would need a value saved across each other are
// refused, an error template is reported and prints nothing, and a rewrite
// that never ends stops after twenty passes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codegen/model/ops.h"
#include "codegen/model/progstate.h"
#include "codegen/model/regs.h"
#include "codegen/model/symbols.h"
#include "codegen/model/target_services.h"
#include "codegen/model/tree.h"
#include "codegen/model/types.h"
#include "codegen/target/asmbuf.h"
#include "codegen/target/cgen.h"
#include "codegen/target/pattab.h"
#include "codegen/target/tests/cgen_fixture.h"
#include "tests/support/test_support.h"

namespace {

struct RulesTest : ::testing::Test {
  void SetUp() override {
    sym_init_types();
    capture_messages();
    out_capture(&written);
    a = object("_a", type_uchar());
    b = object("_b", type_uchar());
    all = iset_alloc();
    iset_assign(all, rset_of(REG_ALLREG));
    no_w = iset_alloc();
    iset_assign(no_w, all);
    iset_subtract(no_w, rset_of(REG_WREG));
  }
  void TearDown() override {
    out_capture(nullptr);
    for (tree_node *t : roots) tree_free(t);
    iset_free(all);
    iset_free(no_w);
  }
  static symbol *object(const char *name, ctype *type) { return extern_object(name, type); }
  tree_node *root(tree_node *t) {
    roots.push_back(t);
    return t;
  }
  // a = b + 1
  tree_node *step() {
    tree_node *one = tree_const(1);
    one->type = type_uchar();
    tree_node *sum = tree_make(OP_ADD, tree_ident(b), one, type_uchar());
    return root(tree_make(OP_ASSIGN, tree_ident(a), sum, type_uchar()));
  }
  static std::string rule(const tree_node *n) {
    return n && n->count ? pattern_rule_of(uint32_t(n->patterns[n->count - 1])).name : "";
  }

  std::string written;
  std::vector<tree_node *> roots;
  symbol *a, *b;
  regset *all, *no_w;
};

TEST_F(RulesTest, WTakenForcesATemporary) {
  tree_node *t = step();
  ASSERT_TRUE(cgen_match_tree(t, GOAL_STATEMENT, all));
  EXPECT_EQ(rule(t), "store_w");
  cgen_emit_tree(t, 0);
  EXPECT_EQ(written, "\tmovf\t_b,w\n\taddlw\t01h\n\tmovwf\t_a\n");

  tree_node *u = step();
  ASSERT_TRUE(cgen_match_tree(u, GOAL_STATEMENT, no_w));
  EXPECT_EQ(rule(u), "store_temp");
  EXPECT_EQ(rule(u->right), "step_in_temp");
  EXPECT_EQ(u->right->xreg[0], uint32_t(REG_TEMP)) << "the temporary is placed when the code is written";
  written.clear();
  cgen_emit_tree(u, 0);
  EXPECT_EQ(written, "\tmovff\t_b,0+0\n\tincf\t0+0,f\n\tmovff\t0+0,_a\n");
  EXPECT_EQ(u->right->xreg[0], uint32_t(REG_TEMP_FIRST));
}

TEST_F(RulesTest, ASecondWorkRegisterIsPickedAndNamed) {
  tree_node *zero = tree_const(0);
  zero->type = type_uchar();
  tree_node *t = root(tree_make(OP_ASSIGN, tree_ident(a), zero, type_uchar()));
  regset *no_fsr0 = iset_alloc();
  iset_assign(no_fsr0, all);
  iset_subtract(no_fsr0, rset_of(REG_FSR0));
  EXPECT_FALSE(cgen_match_tree(t, GOAL_STATEMENT, no_fsr0));
  EXPECT_TRUE(iset_includes(rset_busy(), rset_of(REG_FSR0))) << "FSR0 is what was missing";
  iset_free(no_fsr0);
  ASSERT_TRUE(cgen_match_tree(t, GOAL_STATEMENT, all));
  EXPECT_EQ(t->yreg[0], uint32_t(REG_FSR0));
  EXPECT_TRUE(iset_includes(t->sets[RS_USED], rset_of(REG_FSR0)));
  cgen_emit_tree(t, 0);
  EXPECT_EQ(written, "\tlfsr\t0,_a\n\tclrf\tindf0\n");
}

TEST_F(RulesTest, OperandsThatBothNeedWAreRefusedAsASaveAndRestore) {
  tree_node *diff = tree_make(OP_SUB, tree_ident(a), tree_ident(b), type_uchar());
  tree_node *t = root(tree_make(OP_ASSIGN, tree_ident(a), diff, type_uchar()));
  t->line = 9;
  cgen_statement(t, 0);
  cgen_statement(t, 0);
  EXPECT_EQ(written, "");
  EXPECT_EQ(captured_numbers(), (std::vector<unsigned>{687, 688})) << "once per position";
}

TEST_F(RulesTest, AnErrorTemplateIsReportedAndPrintsNothing) {
  tree_node *t = root(tree_make(OP_SIZEOF, tree_ident(a), nullptr, type_uchar()));
  cgen_statement(t, 0);
  EXPECT_EQ(written, "");
  ASSERT_EQ(captured_numbers(), std::vector<unsigned>{1137});
  EXPECT_NE(captured_lines()[0].find("#error - sizes not resolved"), std::string::npos) << captured_lines()[0];
  // Nothing is reported for code generated only to be measured.
  capture_messages();
  model.output_suppressed = true;
  cgen_statement(t, 0);
  model.output_suppressed = false;
  EXPECT_EQ(captured_numbers(), std::vector<unsigned>{});
}

TEST_F(RulesTest, ARewriteThatNeverEndsStopsWithAMessage) {
  tree_node *t = tree_make(OP_NEG, tree_ident(a), nullptr, type_uchar());
  tree_node *last = root(cgen_split_tree(t));
  EXPECT_EQ(captured_numbers(), std::vector<unsigned>{1059});
  ASSERT_NE(last, nullptr);
  EXPECT_EQ(last->op, uint32_t(OP_NEG)) << "the last tree goes on";
  ASSERT_NE(last->left, nullptr);
  EXPECT_EQ(last->left->sym, a);
}

}  // namespace
