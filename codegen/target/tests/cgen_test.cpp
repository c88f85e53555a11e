// Code selection over small trees with the starter patterns, the code the
// chosen templates expand to, the template constructs on a table of cases,
// rewriting into calls, and the output buffer.
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
#include "codegen/model/walk.h"
#include "codegen/target/asmbuf.h"
#include "codegen/target/cgen.h"
#include "codegen/target/expand.h"
#include "codegen/target/pattab.h"
#include "codegen/target/tests/cgen_fixture.h"
#include "common/vector.h"
#include "tests/support/test_support.h"

namespace {

struct CgenTest : ::testing::Test {
  void SetUp() override {
    sym_init_types();
    capture_messages();
    out_capture(&written);
    model.output_suppressed = false;
    a = object("_a", type_uchar());
    b = object("_b", type_uchar());
    w = object("_w", type_basic("ui"));
    f = object("_f", type_derive(type_basic("v"), TY_FUNCTION));
    iset_clear(f->used_regs ? f->used_regs : (f->used_regs = iset_alloc()));
    all = set_of(rset_of(REG_ALLREG));
  }
  void TearDown() override {
    out_capture(nullptr);
    model.output_suppressed = false;
    for (tree_node *t : roots) tree_free(t);
    for (regset *r : sets) iset_free(r);
  }

  static symbol *object(const char *name, ctype *type) { return extern_object(name, type); }
  static tree_node *id(symbol *s) { return tree_ident(s); }
  static tree_node *num(int32_t v, ctype *type) {
    tree_node *c = tree_const(v);
    c->type = type;
    return c;
  }
  static tree_node *bin(uint32_t op, tree_node *l, tree_node *r) { return tree_make(op, l, r, l->type); }
  static tree_node *un(uint32_t op, tree_node *l, ctype *type) { return tree_make(op, l, nullptr, type); }

  // The rule chosen for the node at its top level.
  static std::string rule(const tree_node *n) {
    return n && n->count ? pattern_rule_of(uint32_t(n->patterns[n->count - 1])).name : "";
  }
  regset *set_of(const regset *from) {
    regset *s = iset_alloc();
    iset_assign(s, from);
    sets.push_back(s);
    return s;
  }
  regset *without(uint32_t r) {
    regset *s = set_of(all);
    iset_subtract(s, rset_of(r));
    return s;
  }
  // A statement tree, freed after the test.
  tree_node *root(tree_node *t) {
    roots.push_back(t);
    return t;
  }
  // A template expanded at the node's first level, as one finished text.
  std::string expanded(tree_node *t, const char *text) {
    written.clear();
    expand_reset_statement();
    cgen_expand(t, text, 0);
    out_putc('\n');
    return written.substr(0, written.size() - 1);
  }
  std::string code_of(tree_node *t) {
    written.clear();
    EXPECT_TRUE(cgen_match_tree(t, GOAL_STATEMENT, all)) << cgen_describe(t);
    cgen_emit_tree(t, 0);
    return written;
  }

  std::string written;
  std::vector<tree_node *> roots;
  std::vector<regset *> sets;
  symbol *a, *b, *w, *f;
  regset *all;
};

TEST_F(CgenTest, TheFirstFittingRuleInFileOrderIsChosen) {
  struct {
    const char *what;
    tree_node *tree;
    std::string statement, right;
  } cases[] = {
      {"a = 0", root(bin(OP_ASSIGN, id(a), num(0, type_uchar()))), "clear_byte", "zero_byte"},
      {"a = b", root(bin(OP_ASSIGN, id(a), id(b))), "move_byte_mem", "byte_mem_id"},
      {"a = 5: W carries the constant", root(bin(OP_ASSIGN, id(a), num(5, type_uchar()))), "store_w_byte",
       "w_from_const"},
      {"a += b", root(bin(OP_ASADD, id(a), id(b))), "add_mem_w", "w_from_mem"},
      {"a++", root(bin(OP_POSTINC, id(a), num(1, type_uchar()))), "inc_mem", "one_byte"},
      {"w = 0x1234", root(bin(OP_ASSIGN, id(w), num(0x1234, type_basic("ui")))), "store_word_const",
       "imm_from_const"},
      {"w = b widened", root(bin(OP_ASSIGN, id(w), un(OP_CONV, id(b), type_basic("ui")))), "store_zext_word",
       "zext_byte_to_word"},
  };
  for (auto &c : cases) {
    ASSERT_TRUE(cgen_match_tree(c.tree, GOAL_STATEMENT, all)) << c.what;
    EXPECT_EQ(rule(c.tree), c.statement) << c.what;
    EXPECT_EQ(rule(c.tree->right), c.right) << c.what;
  }
  // A chain rule adds a level above the one it builds on.
  tree_node *t = cases[3].tree;
  ASSERT_EQ(t->right->count, 3u);
  EXPECT_EQ(pattern_rule_of(uint32_t(t->right->patterns[0])).name, std::string("ram_id_leaf"));
  EXPECT_EQ(pattern_rule_of(uint32_t(t->right->patterns[1])).name, std::string("byte_mem_id"));
  EXPECT_EQ(t->right->greg[2], uint32_t(REG_WREG)) << "the value ends in W";
}

TEST_F(CgenTest, MissingRegistersRejectARuleAndAreNamed) {
  // Without W the constant cannot be stored, and W is what was missing.
  tree_node *t = root(bin(OP_ASSIGN, id(a), num(5, type_uchar())));
  EXPECT_FALSE(cgen_match_tree(t, GOAL_STATEMENT, without(REG_WREG)));
  EXPECT_TRUE(iset_member(rset_busy(), REG_WREG));
  // Clearing needs no register at all.
  tree_node *clear = root(bin(OP_ASSIGN, id(a), num(0, type_uchar())));
  EXPECT_TRUE(cgen_match_tree(clear, GOAL_STATEMENT, without(REG_WREG)));
  // A call whose callee uses a register the caller must keep stops at once.
  iset_add(f->used_regs, REG_PRODL);
  tree_node *call = root(un(OP_CALL, id(f), type_basic("v")));
  EXPECT_FALSE(cgen_match_tree(call, GOAL_STATEMENT, without(REG_PRODL)));
  EXPECT_TRUE(iset_member(rset_busy(), REG_PRODL));
  EXPECT_TRUE(cgen_match_tree(call, GOAL_STATEMENT, all));
  EXPECT_TRUE(iset_member(call->sets[RS_USED], REG_PRODL)) << "the callee's registers count as used";
}

TEST_F(CgenTest, ACallWhoseArgumentsDoNotFitIsNotCoveredWithoutThem) {
  // f(5) stores its argument through W: without W the call must fail, not
  // fall back to a rule for calls without arguments and drop the store.
  tree_node *callargs = tree_make(OP_CALLARGS, nullptr, nullptr, type_basic("v"));
  callargs->args = vec_new_default();
  vec_push(callargs->args, bin(OP_ASSIGN, id(a), num(5, type_uchar())));
  tree_node *call = root(tree_make(OP_CALL, id(f), callargs, type_basic("v")));
  EXPECT_FALSE(cgen_match_tree(call, GOAL_STATEMENT, without(REG_WREG))) << cgen_describe(call);
  ASSERT_TRUE(cgen_match_tree(call, GOAL_STATEMENT, all));
  EXPECT_EQ(rule(call), "call_stmt_with_args");
}

// f(3, 5) with the byte for W listed first (where an argument with a call
// goes, once its call is taken out): the literal stored to memory needs W
// too, so W is loaded after it.
TEST_F(CgenTest, AnArgumentInWIsLoadedAfterThePlainStores) {
  tree_node *w_reg = tree_node_new();
  w_reg->op = OP_REG;
  w_reg->value = REG_WREG;
  w_reg->type = type_uchar();
  tree_node *callargs = tree_make(OP_CALLARGS, nullptr, nullptr, type_basic("v"));
  callargs->args = vec_new_default();
  vec_push(callargs->args, bin(OP_ASSIGN, w_reg, num(3, type_uchar())));
  vec_push(callargs->args, bin(OP_ASSIGN, id(a), num(5, type_uchar())));
  tree_node *call = root(tree_make(OP_CALL, id(f), callargs, type_basic("v")));
  std::string code = code_of(call);
  size_t store = code.find("movlw\t05h"), load = code.find("movlw\t03h"), jump = code.find("call\t");
  ASSERT_NE(store, std::string::npos) << code;
  ASSERT_NE(load, std::string::npos) << code;
  EXPECT_LT(store, load) << code;
  EXPECT_LT(load, jump) << code;
}

TEST_F(CgenTest, AStatementNoRuleCoversIsNamedByItsOperator) {
  // A quotient is only ever a call's: no rule covers the operator itself.
  tree_node *quotient = bin(OP_DIV, id(a), id(b));
  tree_node *t = root(bin(OP_ASSIGN, id(w), quotient));
  t->line = 12;
  EXPECT_FALSE(cgen_match_tree(t, GOAL_STATEMENT, all));
  EXPECT_EQ(cgen_failed_node(), quotient);
  written.clear();
  cgen_statement(t, 0);
  cgen_statement(t, 0);
  EXPECT_EQ(written, "") << "no code for it";
  EXPECT_EQ(captured_numbers(), std::vector<unsigned>{702}) << "once per position";
  ASSERT_EQ(captured_lines().size(), 1u);
  EXPECT_NE(captured_lines()[0].find("operator \"/\""), std::string::npos) << captured_lines()[0];
  // Assembler text needs no pattern.
  tree_node *text = root(tree_node_new());
  text->op = OP_ASM;
  EXPECT_TRUE(cgen_match_tree(text, GOAL_STATEMENT, all));
}

// The objects are externs whose bank only the linker knows: each access
// selects the bank by name and names the banked access.
TEST_F(CgenTest, ChosenTemplatesBecomeInstructionLines) {
  struct {
    const char *what;
    tree_node *tree;
    const char *code;
  } cases[] = {
      {"a = 0", root(bin(OP_ASSIGN, id(a), num(0, type_uchar()))), "\tmovlb\t_a>>8\t; () unknown bank\n\tclrf\t(_a)&0ffh,b\n"},
      {"a = 5", root(bin(OP_ASSIGN, id(a), num(5, type_uchar()))), "\tmovlw\t05h\n\tmovlb\t_a>>8\t; () unknown bank\n\tmovwf\t(_a)&0ffh,b\n"},
      {"a += b", root(bin(OP_ASADD, id(a), id(b))), 
       "\tmovlb\t_b>>8\t; () unknown bank\n\tmovf\t(_b)&0ffh,b,w\n\tmovlb\t_a>>8\t; () unknown bank\n\taddwf\t(_a)&0ffh,b,f\n"},
      {"w = 0x1234, byte by byte", root(bin(OP_ASSIGN, id(w), num(0x1234, type_basic("ui")))),
       "\tmovlw\t034h\n\tmovlb\t_w>>8\t; () unknown bank\n\tmovwf\t(_w)&0ffh,b\n\tmovlw\t012h\n\tmovwf\t(_w+1)&0ffh,b\n"},
      {"w = b widened", root(bin(OP_ASSIGN, id(w), un(OP_CONV, id(b), type_basic("ui")))),
       "\tmovff\t_b,_w\n\tmovlb\t_w>>8\t; () unknown bank\n\tclrf\t(_w+1)&0ffh,b\n"},
      {"a label line has no tab", root(un(OP_LABEL, num(7, type_basic("i")), type_basic("v"))), "l7:\n"},
      {"goto", root(un(OP_JUMP, num(7, type_basic("i")), type_basic("v"))), "\tgoto\tl7\n"},
      {"jump when a is zero",
       root(bin(OP_CJUMP, tree_make(OP_EQ, id(a), num(0, type_uchar()), type_uchar()), num(7, type_basic("i")))),
       "\tmovlb\t_a>>8\t; () unknown bank\n\tmovf\t(_a)&0ffh,b,f\n\tbtfsc\tstatus,2\n\tgoto\tl7\n"},
      {"call", root(un(OP_CALL, id(f), type_basic("v"))), "\tcall\t_f\n"},
  };
  for (auto &c : cases) EXPECT_EQ(code_of(c.tree), c.code) << c.what << ": " << cgen_describe(c.tree);
  // Code generated only to be measured writes nothing.
  model.output_suppressed = true;
  EXPECT_EQ(code_of(root(bin(OP_ASSIGN, id(a), num(5, type_uchar())))), "");
}

// -D: each statement's operator, then the rules chosen for its nodes.
TEST_F(CgenTest, TheDebugTraceNamesEachStatementAndItsRules) {
  model.debug_dump = true;
  written.clear();
  cgen_statement(root(bin(OP_ASSIGN, id(a), num(0, type_uchar()))), 0);
  cgen_statement(root(bin(OP_ASSIGN, id(w), bin(OP_MUL, id(a), id(b)))), 0);
  model.debug_dump = false;
  EXPECT_EQ(written, "\t; =\n\t;\t={clear_byte}(ID{ram_id_leaf,byte_mem_id} CONST{zero_byte})\n\tmovlb\t_a>>8\t; () unknown bank\n\tclrf\t(_a)&0ffh,b\n\t; =\n");
}

// Every construct of the template language, expanded in the context of a
// covered "w = 0x1234" (left: the word's two result texts; right: the
// constant) and of hand-set registers.
TEST_F(CgenTest, TemplateConstructs) {
  tree_node *t = root(bin(OP_ASSIGN, id(w), num(0x1234, type_basic("ui"))));
  ASSERT_TRUE(cgen_match_tree(t, GOAL_STATEMENT, all));
  t->xreg[0] = REG_FSR0;
  t->greg[0] = REG_PROD;
  struct {
    const char *text, *expanded;
  } cases[] = {
      {"plain", "plain"},
      {"op a b c", "op\ta b c"},
      {"x;y", "x"},
      {"x;;y", "x;"},
      {"a`b", "a;b"},
      {"a~~b", "a~b"},
      {"x\ny", "x\n\ty"},
      {"x\n\bl1:", "x\nl1:"},
      {"x\ry", "x\n\ty"},
      {"L", "_w"},
      {"~0/2L", "_w"},
      {"~1/2L", "_w+1"},
      {"~1/2~9L", "_w"},
      {"VR", "01234h"},
      {"~0/2VR", "034h"},
      {"~1/2VR", "012h"},
      {"R", "01234h"},
      {"~1/2DN", "1"},
      {"~1/2DDNx", "x"},
      {"ZN", "2"},
      {"WN WL", "w\tw"},
      {"AN", "l"},
      {"SL", "_w"},
      {"XN", "fsr0"},
      {"X1N", "fsr0h"},
      {"~1/2XN", "fsr0h"},
      {"~XN", "0"},
      {"GN", "prod"},
      {"G0N", "prodl"},
      {"~1/2HR", "high("},
      {"~0/2HR", "low("},
      {"~1/2Z=1Nyes", "yes"},
      {"~0/2Z=1Nno\nnext", "\n\tnext"},
      {"Z+Nlater L\nZ-N", "\n\tlater\t_w"},
  };
  for (auto &c : cases) EXPECT_EQ(expanded(t, c.text), c.expanded) << '"' << c.text << '"';
  // A node keeps its label number from its first use.
  std::string labels = expanded(t, "l NN,NN");
  size_t comma = labels.find(',');
  ASSERT_NE(comma, std::string::npos);
  EXPECT_EQ(labels.substr(2, comma - 2), labels.substr(comma + 1)) << labels;
  // Stack offsets need the node itself.
  cgen_expand(t, "IL", 0);
  EXPECT_EQ(captured_numbers(), std::vector<unsigned>{705});
}

// "V+" and "V-" print their line once for each count, counting up or down.
TEST_F(CgenTest, RepeatCountsPrintTheirLineAgain) {
  tree_node *t = root(bin(OP_ASSIGN, id(a), num(3, type_uchar())));
  ASSERT_TRUE(cgen_match_tree(t, GOAL_STATEMENT, all));
  struct {
    const char *text, *expanded;
  } cases[] = {
      {"clrf SL+V+R", "clrf\t_a+0\n\tclrf\t_a+1\n\tclrf\t_a+2"},
      {"clrf SL+V-R\nnop", "clrf\t_a+2\n\tclrf\t_a+1\n\tclrf\t_a+0\n\tnop"},
      {"first\nx V+R", "first\n\tx\t0\n\tx\t1\n\tx\t2"},
  };
  for (auto &c : cases) EXPECT_EQ(expanded(t, c.text), c.expanded) << '"' << c.text << '"';
}

TEST_F(CgenTest, RegistersAndTemporariesByName) {
  EXPECT_EQ(cgen_temp_text(REG_TEMP_FIRST + 2), "2") << "the byte at offset 2 of the temporaries";
  // In a function: after its autos, in its automatic area.
  f->autos_size = 3;
  sym_set_current_function(f);
  EXPECT_EQ(cgen_temp_text(REG_TEMP_FIRST + 2), std::string(sym_asm_name(sym_auto_area(f))) + "+5");
  sym_set_current_function(nullptr);
  EXPECT_EQ(cgen_sign_extend(root(tree_const(0)), 0x80), 0x80) << "an int constant's top bit is bit 15";
  tree_node *byte = root(num(0, type_uchar()));
  EXPECT_EQ(cgen_sign_extend(byte, 0x80), int32_t(0xFFFFFF80));
  EXPECT_EQ(cgen_sign_extend(byte, 0x7F), 0x7F);
}

TEST_F(CgenTest, FloatMultiplyIsRewrittenIntoACallOfItsRoutine) {
  ctype *real = type_basic("f");
  symbol *x = object("_x", real), *y = object("_y", real);
  tree_node *product = tree_make(OP_MUL, id(x), id(y), real);
  tree_node *call = root(cgen_rewrite(product));
  ASSERT_NE(call, nullptr);
  EXPECT_EQ(call->op, uint32_t(OP_CALL));
  ASSERT_TRUE(call->left && call->left->op == OP_ID);
  EXPECT_STREQ(call->left->sym->name, "___ftmul");
  // Byte multiplication has code of its own: nothing to rewrite.
  EXPECT_EQ(cgen_rewrite(root(bin(OP_MUL, id(a), id(b)))), nullptr);
  // ... but its operands may have: a float product cut to a byte.
  tree_node *cut = un(OP_CONV, tree_make(OP_MUL, id(x), id(y), real), type_uchar());
  tree_node *bytes = root(bin(OP_MUL, cut, id(b)));
  ASSERT_EQ(cgen_rewrite(bytes), bytes);
  EXPECT_EQ(bytes->op, uint32_t(OP_MUL));
  EXPECT_NE(tree_find_call(bytes->left), nullptr) << "the product is a call";
}

// A row of constant size scales its index by MULLW: only a factor past a
// byte, or a variable one, calls the word routine.
TEST_F(CgenTest, AWidenedByteTimesAByteConstantIsOneMultiply) {
  ctype *word = type_basic("ui");
  auto product = [&](tree_node *factor) {
    return tree_make(OP_MUL, un(OP_CONV, id(b), word), factor, word);
  };
  struct {
    const char *what;
    tree_node *factor;
    bool call;
  } cases[] = {
      {"3", num(3, word), false},
      {"255", num(255, word), false},
      {"256", num(256, word), true},
      {"a word", id(w), true},
  };
  for (auto &c : cases) {
    SCOPED_TRACE(c.what);
    tree_node *p = product(c.factor);
    tree_node *rewritten = cgen_rewrite(p);
    if (!c.call) {
      EXPECT_EQ(rewritten, nullptr);
      tree_node *t = root(bin(OP_ASSIGN, id(w), p));
      EXPECT_NE(code_of(t).find("\tmullw\t"), std::string::npos) << written;
      continue;
    }
    ASSERT_NE(rewritten, nullptr);
    root(rewritten);
    tree_node *call = tree_find_call(rewritten);
    ASSERT_NE(call, nullptr);
    EXPECT_STREQ(call->left->sym->name, "___wmul");
  }
}

TEST_F(CgenTest, RewriteTextsSubstituteTheNodesMacros) {
  tree_node *sum = root(tree_make(OP_ADD, id(w), num(1, type_basic("ui")), type_basic("ui")));
  struct {
    const char *text, *expected;
  } cases[] = {
      {"___ANWNON", "___lwadd"},
      {"`(W9N x", "`(ui x"},
      {"ZN,,ZL", "2;2"},
      {"O9N", "+"},
      {"&u *p $e", "&U *P $E"},
      {"`&u &u", "`&u &U"},
  };
  for (auto &c : cases) EXPECT_STREQ(cgen_subst_text(sum, c.text), c.expected) << c.text;
}

TEST(OutputBuffer, LinesReachTheOutputWhole) {
  std::string sink;
  out_capture(&sink);
  out_printf("\tmovlw\t");
  out_printf("%d", 5);
  EXPECT_EQ(sink, "") << "no line before its newline";
  EXPECT_EQ(out_pending_line(), "\tmovlw\t5");
  out_printf("\n");
  EXPECT_EQ(sink, "\tmovlw\t5\n");
  // A carriage return is kept as a newline inside the line.
  out_printf("a\rb\n");
  EXPECT_EQ(sink, "\tmovlw\t5\na\nb\n");
  // Suppressed: nothing is written, and the buffer still empties.
  model.output_suppressed = true;
  out_printf("dropped\n");
  model.output_suppressed = false;
  EXPECT_EQ(out_pending_line(), "");
  EXPECT_EQ(sink, "\tmovlw\t5\na\nb\n");
  // A psect chosen while a line is built is declared before that line.
  out_printf("\tnop");
  emit_select_psect(PSECT_DATA, 0);
  out_printf("\n");
  const std::string declared = "        psect   data,class=RAM,space=1\n\tnop\n";
  EXPECT_EQ(sink.substr(sink.size() - declared.size()), declared) << sink;
  out_capture(nullptr);
}

TEST(AssertionReport, NamesTheCheckOnStandardErrorAndReportsIt) {
  capture_messages();
  testing::internal::CaptureStderr();
  assert_fail("count < 8", "cgen.cpp", 42);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Assertion failed - count < 8 (cgen.cpp, line 42)\n");
  EXPECT_EQ(captured_numbers(), std::vector<unsigned>{1058});
}

}  // namespace
