// Switch code: the cost rule between compare chains and jump tables, the
// range tests of a table, the byte-pair dispatch of wide values, and the
// case checks, on small case lists.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <algorithm>

#include "codegen/model/bsr.h"
#include "codegen/model/ops.h"
#include "codegen/model/tree.h"
#include "codegen/model/types.h"
#include "codegen/target/expand.h"
#include "codegen/target/tests/macro_fixture.h"
#include "codegen/model/progstate.h"
#include "codegen/model/symbols.h"
#include "codegen/target/asmbuf.h"
#include "codegen/target/emitq.h"
#include "codegen/target/macros.h"
#include "codegen/target/switch.h"
#include "tests/support/test_support.h"

namespace {

struct SwitchTest : macro_fixture {
  std::string table(std::vector<case_entry> cases, int strategy = SWITCH_AUTO) {
    written.clear();
    emit_switch_table(cases.data(), uint32_t(cases.size()), 99, strategy);
    return written;
  }
  static std::vector<case_entry> range(int32_t lo, int32_t hi) {
    std::vector<case_entry> out;
    for (int32_t v = lo; v <= hi; v++) out.push_back({uint32_t(100 + v), v});
    return out;
  }
};

TEST_F(SwitchTest, TheCostRuleChoosesChainOrTable) {
  EXPECT_EQ(table({{3, 3}, {1, 1}, {2, 2}}).substr(table({{3, 3}, {1, 1}, {2, 2}}).find("\txorlw")),
            "\txorlw\t1 ^ 0\n\tbtfsc\tstatus,2,c\n\tgoto\tl1\n\txorlw\t2 ^ 1\n\tbtfsc\tstatus,2,c\n\tgoto\tl2\n\txorlw\t3 ^ 2\n\tbtfsc\tstatus,2,c\n\tgoto\tl3\n\tgoto\tl99\n");
  struct {
    int32_t lo, hi;
    bool jump_table;
  } cases[] = {{0, 9, false}, {0, 15, false}, {0, 19, true}};
  for (auto &c : cases)
    EXPECT_EQ(table(range(c.lo, c.hi)).find("mullw") != std::string::npos, c.jump_table) << c.hi;
  std::string direct = table({{7, 5}}, SWITCH_DIRECT);
  EXPECT_NE(direct.find(":\n\tdw\tl7;\n"), std::string::npos) << direct;
}

TEST_F(SwitchTest, JumpTableRangeTests) {
  std::string low = table(range(0, 19));
  EXPECT_NE(low.find("\taddlw\t0\n\tbtfsc\tstatus,4,c\n\tgoto\tl99\n\taddlw\t-20\n\tbtfss\tstatus,4,c\n\tgoto\tl99\n\taddlw\t20\n\tmullw\t2\n"), std::string::npos) << low;
  std::string high = table(range(200, 255), SWITCH_DIRECT);
  // -200 as the byte the assembler takes without a warning.
  EXPECT_NE(high.find("\tmovwf\ttblptrl\n\tmovlw\t199\n\tcpfsgt\ttblptrl\n\tgoto\tl99\n\tmovf\ttblptrl,w\n\taddlw\t56\n"),
            std::string::npos)
      << high;
  EXPECT_EQ(high.find("cpfslt"), std::string::npos) << "no upper test at 255";
  // A gap in the values jumps to the default.
  std::string gap = table({{1, 0}, {3, 2}}, SWITCH_DIRECT);
  EXPECT_NE(gap.find("\tdw\tl1;\n\tdw\tl99\n\tdw\tl3;\n"), std::string::npos) << gap;
}

TEST_F(SwitchTest, DuplicatesAreRefusedAndWriteNothing) {
  EXPECT_EQ(table({{1, 4}, {2, 4}}), "");
  EXPECT_EQ(captured_numbers(), std::vector<unsigned>{695});
  std::string none = table({});
  EXPECT_EQ(none.substr(none.find("\tgoto")), "\tgoto\tl99\n");
}

// Macro 9 on a switch node: the case chain read, checked and dispatched.
struct SwitchStatementTest : SwitchTest {
  // A switch on a value of `type` with cases {value, label}, then the default label.
  tree_node *statement(ctype *type, std::vector<std::pair<tree_node *, int32_t>> cases, int32_t default_label,
                       symbol *object = nullptr) {
    tree_node *chain = tree_const(default_label);
    for (size_t k = cases.size(); k-- > 0;) {
      tree_node *jump = tree_make(OP_CJUMP, cases[k].first, tree_const(cases[k].second), nullptr);
      chain = tree_make(OP_COMMA, jump, chain, nullptr);
    }
    tree_node *value = tree_ident(object ? object : extern_object("_sv", type));
    return root(tree_make(OP_SWITCH, value, chain, type));
  }
  static tree_node *num(int32_t v) { return tree_const(v); }
  std::string macro9(tree_node *t) {
    written.clear();
    expand_reset_statement();
    cgen_expand(t, "E9N", 0);
    return written;
  }
};

TEST_F(SwitchStatementTest, CasesAreCheckedBeforeDispatch) {
  // Out of range for an unsigned byte, and not a constant: both dropped.
  tree_node *t = statement(type_uchar(),
                           {{num(1), 11}, {num(300), 12}, {tree_ident(extern_object("_k", type_uchar())), 13}, {num(2), 14}},
                           19);
  std::string code = macro9(t);
  EXPECT_EQ(captured_numbers(), (std::vector<unsigned>{696, 697}));
  EXPECT_NE(code.find("goto\tl11"), std::string::npos) << code;
  EXPECT_NE(code.find("goto\tl14"), std::string::npos) << code;
  EXPECT_EQ(code.find("l12"), std::string::npos) << code;
  // No cases: a jump to the default.
  capture_messages();
  code = macro9(statement(type_uchar(), {}, 29));
  EXPECT_EQ(captured_numbers(), std::vector<unsigned>{699});
  EXPECT_NE(code.find("\tgoto\tl29\n"), std::string::npos) << code;
  // Past 511 cases: one message, and the cases kept still dispatch.
  capture_messages();
  std::vector<std::pair<tree_node *, int32_t>> many;
  for (int32_t v = 0; v < 520; v++) many.push_back({num(v), 1000 + v});
  code = macro9(statement(type_basic("ui"), many, 9999));
  EXPECT_EQ(captured_numbers(), std::vector<unsigned>{308});
  EXPECT_NE(code.find("l1510"), std::string::npos);
  EXPECT_EQ(code.find("l1511"), std::string::npos);
  // Duplicates leave the switch without code.
  capture_messages();
  code = macro9(statement(type_uchar(), {{num(4), 31}, {num(4), 32}}, 39));
  EXPECT_EQ(captured_numbers(), std::vector<unsigned>{695});
  EXPECT_EQ(code.find("l3"), std::string::npos) << code;
}

TEST_F(SwitchStatementTest, ValuesWiderThanTwoBytesDispatchByGroups) {
  // Four bytes: two values of one high word and one of another.
  tree_node *t = statement(type_basic("ul"), {{num(0x10001), 41}, {num(0x10002), 42}, {num(0x7FFF0000), 43}}, 49);
  std::string code = macro9(t);
  EXPECT_TRUE(captured_numbers().empty());
  for (const char *label : {"goto\tl41", "goto\tl42", "goto\tl43", "goto\tl49"})
    EXPECT_NE(code.find(label), std::string::npos) << label << "\n" << code;
  // Labels: the top dispatch; per high word its group and the dispatch
  // and low-byte groups inside it (3 + 3); over the high words a dispatch
  // and a group per byte 3 value (3).
  EXPECT_EQ(std::count(code.begin(), code.end(), ':'), 10) << code;
  // A signed long with a negative case, and three bytes.
  capture_messages();
  macro9(statement(type_basic("l"), {{num(-1), 51}, {num(5), 52}}, 59));
  EXPECT_TRUE(captured_numbers().empty());
}

TEST_F(SwitchStatementTest, TheValuesBankHoldsAtEveryDispatchLabel) {
  // The dispatch runs in jump order: a bank selected in the text above a
  // label proves nothing there, so the bank is selected once before it.
  bsr_set_known(15, 0);
  symbol *banked = placed("_bv", type_basic("l"), 0x210);
  std::string code = macro9(statement(type_basic("l"), {{num(1), 61}, {num(-1), 62}}, 69, banked));
  EXPECT_TRUE(captured_numbers().empty());
  size_t select = code.find("\tmovlb\t2"), first_jump = code.find("\tgoto");
  ASSERT_NE(select, std::string::npos) << code;
  EXPECT_LT(select, first_jump) << code;
  EXPECT_EQ(code.find("movlb", select + 6), std::string::npos) << code;
}

}  // namespace
