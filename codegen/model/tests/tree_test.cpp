// Tree nodes: allocation and reuse, copies, queries, constants in types;
// the walker's orders and flags; reading prefix text with back-references;
// rebuilding from node lists; assembler and comment lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codegen/model/build.h"
#include "codegen/model/lexin.h"
#include "codegen/model/progstate.h"
#include "codegen/model/symbols.h"
#include "codegen/model/tests/model_support.h"
#include "codegen/model/treetext.h"
#include "codegen/model/tree.h"
#include "codegen/model/types.h"
#include "codegen/model/walk.h"
#include "common/alloc.h"
#include "common/vector.h"

namespace {

class TreeTest : public testing::Test {
 protected:
  void SetUp() override {
    fresh_model();
    read_records(
        "[v _a `i 1 e ] [v _b `i 1 e ] [v _c `uc 1 e ] [v _l `l 1 e ] [v _p `*c 1 e ] [v _v `Vi 1 e ] "
        "[v _f `(i 0 e`i`i ] [s S1 :3 `ui 1 :40 `ul 1 ] [v _s `S1 1 e ] ");
  }
};

TEST_F(TreeTest, ReusedNodesCarryNothingOver) {
  tree_node *n = tree_build(OP_ADD, tree_ident(sym_find("_a")), tree_const(3));
  n->comment = str_dup("note");
  n->sets[RS_USED] = iset_alloc();
  iset_add(n->sets[RS_USED], 5);
  tree_node *address = n;
  tree_free(n);
  tree_node *again = tree_node_new();
  tree_node *other = tree_node_new();
  bool reused = again == address || other == address;
  EXPECT_TRUE(reused);
  tree_node *r = again == address ? again : other;
  EXPECT_EQ(r->op, 0u);
  EXPECT_EQ(r->left, nullptr);
  EXPECT_EQ(r->sym, nullptr);
  EXPECT_EQ(r->comment, nullptr);
  EXPECT_EQ(r->value, 0);
  EXPECT_NE(r->sets[RS_USED], nullptr) << "the sets stay with the record";
  EXPECT_TRUE(iset_is_empty(r->sets[RS_USED]));
  EXPECT_EQ(r->flags, uint32_t(TF_LIVE));
  tree_node_free(again);
  tree_node_free(other);
}

TEST_F(TreeTest, CopiesAreDeepAndOwnTheirTexts) {
  tree_node *t = read_expression("( _f (2 , _a + _b -> 1 `i");
  t->comment = str_dup("why");
  tree_node *c = tree_copy(t);
  EXPECT_EQ(tree_text(c), tree_text(t));
  EXPECT_NE(c->right, t->right);
  EXPECT_NE(c->comment, t->comment);
  EXPECT_TRUE(tree_equal(c, t));
  tree_free(t);
  EXPECT_EQ(tree_text(c), "( _f {= *U + &U ?_f 2`ux + _b 1`i | = *U + &U ?_f 0`ux _a}");
  tree_free(c);
}

TEST_F(TreeTest, ValueMasks) {
  tree_node *wide = read_expression(". _s 1");
  tree_node *narrow = read_expression(". _s 0");
  wide->member->bf_width = 40;  // wider than any field the layout allows
  EXPECT_EQ(tree_value_mask(wide), 0xffffffffu);
  EXPECT_EQ(tree_value_mask(narrow), 7u);
  EXPECT_EQ(tree_bitfield_mask(narrow, true), 7u);
  tree_node *l = tree_ident(sym_find("_l")), *c = tree_ident(sym_find("_c"));
  tree_node *v = tree_type_node(type_void()), *b = tree_type_node(type_bit());
  EXPECT_EQ(tree_value_mask(l), 0xffffffffu);
  EXPECT_EQ(tree_value_mask(c), 0xffu);
  EXPECT_EQ(tree_value_mask(v), 0u);
  EXPECT_EQ(tree_value_mask(b), 1u);
  EXPECT_EQ(type_value_mask(type_parse("tx")), 0xffffffu);
  for (tree_node *t : {wide, narrow, l, c, v, b}) tree_free(t);
}

TEST_F(TreeTest, ConstantsTakeTheirType) {
  struct {
    int32_t value;
    const char *type;
    int32_t result;
    std::vector<unsigned> messages;
  } cases[] = {
      {200, "c", -56, {751}}, {-1, "uc", 255, {}},  {70000, "x", 4464, {}}, {70000, "i", 4464, {751}},
      {-129, "c", 127, {751}}, {3, "b", 1, {}},      {-5, "l", -5, {}},      {16777216, "utx", 0, {751}},
  };
  for (auto &k : cases) {
    next_position();
    captured_lines().clear();
    tree_node *t = tree_type_node(type_parse(k.type));
    tree_node *c = tree_const(k.value);
    tree_convert_const(t, c);
    EXPECT_EQ(c->value, k.result) << k.value << " as " << k.type;
    EXPECT_EQ(captured_numbers(), k.messages) << k.value << " as " << k.type;
    tree_free(t);
    tree_free(c);
  }
}

TEST_F(TreeTest, Queries) {
  tree_node *calls[] = {read_expression("( _f (2 , _a _b"), read_expression("( _f (1 _a")};
  EXPECT_FALSE(tree_equal(calls[0], calls[1])) << "different argument counts";
  tree_node *effects = read_expression("+ _a = _b -> 1 `i");
  tree_node *vol = read_expression("+ _a _v");
  tree_node *pure = read_expression("+ _a _b");
  EXPECT_TRUE(tree_has_side_effect(effects));
  EXPECT_TRUE(tree_has_side_effect(vol));
  EXPECT_FALSE(tree_has_side_effect(pure));
  EXPECT_TRUE(tree_uses_symbol(calls[0], sym_find("_b")));
  EXPECT_FALSE(tree_uses_symbol(pure, sym_find("_l")));
  EXPECT_EQ(tree_bit_number(0x80, calls[0]), 8u);
  EXPECT_EQ(tree_bit_number(0x8000, calls[0]), 16u);
  EXPECT_EQ(tree_bit_number(0x10000, calls[0]), 0u) << "masked to the type's width";
  EXPECT_EQ(tree_bit_number(6, calls[0]), 0u);
  for (tree_node *t : {calls[0], calls[1], effects, vol, pure}) tree_free(t);
}

TEST_F(TreeTest, NarrowSources) {
  struct {
    const char *text;
    const char *source;  // null: none
  } cases[] = {
      {"-> _c `l", "_c"},
      {">> -> _c `l -> 2 `l", "_c"},
      {"& -> -> _c `ui `l -> 65535 `l", "_c"},  // the innermost of nested widenings
      {"-> -> _c `ui `l", "_c"},
      {"| -> _c `i -> 15 `i", "_c"},
      {"| -> _c `i -> 256 `i", nullptr},  // the constant reaches past the source
      {"/ -> _c `i -> -3 `i", nullptr},
      {"-> _a `l", nullptr},             // signed
      {"+ -> _c `i -> 1 `i", nullptr},   // + may carry out
  };
  for (auto &c : cases) {
    tree_node *t = read_expression(c.text);
    tree_node *source = tree_narrow_source(t);
    if (c.source)
      EXPECT_EQ(source ? tree_text(source) : "<none>", c.source) << c.text;
    else
      EXPECT_EQ(source, nullptr) << c.text;
    tree_free(t);
  }
}

TEST_F(TreeTest, ConstantRanges) {
  struct {
    const char *conversion, *constant;
    uint32_t op;
    bool in_range;
  } cases[] = {
      {"-> _c `i", "-> 255 `i", OP_EQ, true},   {"-> _c `i", "-> 256 `i", OP_EQ, false},
      {"-> _c `i", "-> 0 `i", OP_LT, false},    {"-> _c `i", "-> 255 `i", OP_GT, false},
      {"-> _a `l", "-> -32768 `l", OP_EQ, true}, {"-> _a `l", "-> -32769 `l", OP_EQ, false},
      {"-> _l `ul", "-> -1 `ul", OP_EQ, true},
  };
  for (auto &c : cases) {
    tree_node *conv = read_expression(c.conversion), *k = read_expression(c.constant);
    EXPECT_EQ(const_in_range(conv, k, c.op), c.in_range) << c.conversion << " " << lextab[c.op] << " " << c.constant;
    tree_free(conv);
    tree_free(k);
  }
  tree_node *sc = tree_ident(sym_find("_a")), *k = tree_const(-32768);
  EXPECT_TRUE(const_fits(k, sc));
  k->value = 65535;
  EXPECT_TRUE(const_fits(k, sc)) << "a bit pattern of the width fits";
  k->value = 65536;
  EXPECT_FALSE(const_fits(k, sc));
  tree_free(sc);
  tree_free(k);
}

struct visit_log {
  std::string seen;
};

std::string node_name(const tree_node *n) {
  if (n->op == OP_ID) return n->sym->name;
  if (n->op == OP_CONST) return std::to_string(n->value);
  return lextab[n->op];
}

tree_node *log_visit(void *ctx, tree_node *n, int a, int b, int c) {
  std::string name = node_name(n);
  static_cast<visit_log *>(ctx)->seen += name + (a ? "a" : "") + (b ? "b" : "") + (c ? "" : "^") + " ";
  return n;
}

TEST_F(TreeTest, WalkOrders) {
  struct {
    uint32_t order;
    const char *text, *seen;
  } cases[] = {
      {WALK_POST_RIGHT_FIRST, "+ _a _b", "_b _a +^ "},
      {WALK_PRE_RIGHT_FIRST, "+ _a _b", "+^ _b _a "},
      {WALK_RIGHT_NODE_LEFT, "+ _a _b", "_b +^ _a "},
      {WALK_LEFT_NODE_RIGHT, "+ _a _b", "_a +^ _b "},
      {WALK_POST, "+ _a _b", "_a _b +^ "},
      {WALK_PRE, "+ _a _b", "+^ _a _b "},
      {WALK_POST_RIGHT_FIRST, "; _a _b", "_a^ _b ;^ "},  // a sequence runs left first
      {WALK_PRE_RIGHT_FIRST, "; _a _b", ";^ _a^ _b "},
      // The right of && runs conditionally; its left is a condition, no plain value.
      {WALK_POST_RIGHT_FIRST, "&& _a _b", "_ba _ab &&^ "},
      {WALK_POST_RIGHT_FIRST, "$ _a -> 1 `l", "1a _ab $^ "},
  };
  for (auto &c : cases) {
    tree_node *t = read_expression(c.text);
    visit_log log;
    t = tree_walk(c.order, &log, t, log_visit, 0, 0, 0);
    EXPECT_EQ(log.seen, c.seen) << c.text << " in order " << c.order;
    tree_free(t);
  }
}

tree_node *stop_at_plus(void *ctx, tree_node *n, int, int, int) {
  static_cast<visit_log *>(ctx)->seen += node_name(n) + " ";
  return n->op == OP_ADD ? nullptr : n;
}

TEST_F(TreeTest, ANullAnswerEndsTheWalkOfThatNode) {
  tree_node *t = read_expression("* + _a _b _l");
  visit_log log;
  t = tree_walk(WALK_PRE, &log, t, stop_at_plus, 0, 0, 0);
  EXPECT_EQ(log.seen, "* + _l ");
  tree_free(t);
}

TEST_F(TreeTest, BackReferences) {
  struct {
    const char *reference, *copied;
    std::vector<unsigned> messages;
  } cases[] = {
      {"LRN", "_b", {}}, {"J01N", "_b", {}}, {"N", "* + _a _b _l", {}}, {"R", "_l", {}},
      {"LX", "+ _a _b", {1119}}, {"J0Q", "+ _a _b", {1118}},
  };
  for (auto &c : cases) {
    next_position();
    captured_lines().clear();
    lex_stream *s = lex_open_text(c.reference);
    s->previous = read_expression("* + _a _b _l");
    tree_node *t = tree_read(s);
    EXPECT_EQ(tree_text(t), c.copied) << c.reference;
    EXPECT_EQ(captured_numbers(), c.messages) << c.reference;
    tree_free(t);
    tree_free(s->previous);
    lex_close(s);
  }
}

TEST_F(TreeTest, ReadingErrors) {
  struct {
    const char *text;
    std::vector<unsigned> messages;
  } cases[] = {{"+ _a @@", {730}}, {"+ _a [e", {1121}}, {"+ _a", {714}}};
  for (auto &c : cases) {
    next_position();
    captured_lines().clear();
    tree_free(read_expression(c.text));
    EXPECT_EQ(captured_numbers(), c.messages) << c.text;
  }
  EXPECT_EQ(tree_text(read_expression("[v _z `i 1 e ] + _z _a")), "+ _z _a") << "records inside expressions";
}

TEST_F(TreeTest, RebuildingFromANodeList) {
  tree_node *t = read_expression("= _a + _b -> 2 `i");
  // The nodes in prefix order, as a stored statement keeps them.
  vec *nodes = vec_new_default();
  std::vector<tree_node *> stack = {t};
  while (!stack.empty()) {
    tree_node *n = stack.back();
    stack.pop_back();
    vec_push(nodes, n);
    if (op_is_binary(n->op)) stack.push_back(n->right);
    if (op_has_operands(n->op)) stack.push_back(n->left);
  }
  t->comment = str_dup("kept");
  tree_node *rebuilt = tree_rebuild(nodes);
  EXPECT_EQ(tree_text(rebuilt), "= _a + _b 2`i");
  EXPECT_STREQ(tree_pending_comment(), "kept");
  tree_set_pending_comment(nullptr);
  tree_node *record = tree_node_new();
  record->op = OP_REC_V;
  vec *bad = vec_new_default();
  vec_push(bad, record);
  EXPECT_EQ(tree_rebuild(bad), nullptr);
  EXPECT_NE(captured_lines().back().find("bad entry on node sequence"), std::string::npos);
  tree_free(rebuilt);
  tree_free(t);
  tree_node_free(record);
  vec_free(nodes);
  vec_free(bad);
}

TEST_F(TreeTest, AssemblerAndCommentLines) {
  lex_stream *s = lex_open_text("\tmovwf _a,c ; from _main\n; a note\n");
  tree_node *line = tree_asm_line(s);
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(line->op, OP_ASM);
  EXPECT_STREQ(line->text, "\tmovwf _a,c ; from _main");
  EXPECT_TRUE(sym_find("_a")->flags2 & SYM2_FIXED) << "named from assembler text";
  tree_free(line);
  standin_output().clear();
  EXPECT_EQ(tree_asm_line(s), nullptr);
  EXPECT_EQ(standin_output(), "; a note\n") << "outside a function a comment is written";
  lex_close(s);

  sym_set_current_function(sym_find("_f"));
  std::string text;
  for (int k = 0; k < 40; k++) text += "; comment line number " + std::to_string(k) + "\n";
  s = lex_open_text(text.c_str());
  for (int k = 0; k < 40; k++) EXPECT_EQ(tree_asm_line(s), nullptr);
  lex_close(s);
  std::string pending = tree_pending_comment();
  EXPECT_LE(pending.size(), 511u + 30u) << "comments stop gathering past 511 characters";
  EXPECT_EQ(pending.substr(0, 24), "; comment line number 0\n");
  tree_set_pending_comment(nullptr);
  sym_set_current_function(nullptr);
}

TEST_F(TreeTest, AssemblerTextOutput) {
  sym_set_position("src.c", 12);
  lex_stream *s = lex_open_text("\tnop\n;just a note\n");
  tree_node *line = tree_asm_line(s);
  standin_output().clear();
  tree_print_text(line);
  EXPECT_EQ(standin_output(), "\tline\t12\t; src.c\n\tnop\n");
  EXPECT_EQ(model.asm_line, 13);
  standin_output().clear();
  model.output_suppressed = true;
  tree_print_text(line);
  model.output_suppressed = false;
  EXPECT_EQ(standin_output(), "");
  tree_free(line);
  lex_close(s);
}

TEST_F(TreeTest, FindingCallsAndReferences) {
  tree_node *t = read_expression("+ _a ( _f (2 , _b _l");
  EXPECT_NE(tree_find_call(t), nullptr);
  EXPECT_NE(tree_refers_to(t, sym_find("_l")), nullptr);
  EXPECT_EQ(tree_refers_to(t, sym_find("_p")), nullptr);
  symbol *area = sym_param_area(sym_find("_f"));
  EXPECT_NE(tree_refers_to(t, area), nullptr) << "the area holds the bound arguments";
  tree_free(t);
}

}  // namespace
