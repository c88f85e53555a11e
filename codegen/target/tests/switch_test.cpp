// Switch code: the cost rule between compare chains and jump tables, the
// range tests of a table, the byte-pair dispatch of wide values, and the
// case checks, on small case lists.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codegen/model/bsr.h"
#include "codegen/model/progstate.h"
#include "codegen/model/symbols.h"
#include "codegen/target/asmbuf.h"
#include "codegen/target/emitq.h"
#include "codegen/target/macros.h"
#include "codegen/target/switch.h"
#include "tests/support/test_support.h"

namespace {

struct SwitchTest : ::testing::Test {
  void SetUp() override {
    sym_init_types();
    capture_messages();
    out_capture(&written);
    model.output_suppressed = false;
    macros_reset();
    emit_chip().rom_size = 0x8000;  // two-byte code addresses
    emit_chip().options[0] = 0;
  }
  void TearDown() override { out_capture(nullptr); }
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
  std::string written;
};

TEST_F(SwitchTest, TheCostRuleChoosesChainOrTable) {
  EXPECT_EQ(table({{3, 3}, {1, 1}, {2, 2}}).substr(table({{3, 3}, {1, 1}, {2, 2}}).find("\txorlw")),
            "\txorlw\t1 ^ 0\n\tbz\tl1\n\txorlw\t2 ^ 1\n\tbz\tl2\n\txorlw\t3 ^ 2\n\tbz\tl3\n\tgoto\tl99\n");
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
  EXPECT_NE(low.find("\taddlw\t0\n\tbn\tl99\n\taddlw\t-20\n\tbnn\tl99\n\taddlw\t20\n\tmullw\t2\n"), std::string::npos) << low;
  std::string high = table(range(200, 255), SWITCH_DIRECT);
  // -200 as the byte the assembler takes without a warning.
  EXPECT_NE(high.find("\tmovwf\ttblptrl\n\tmovlw\t199\n\tcpfsgt\ttblptrl\n\tbra\tl99\n\tmovf\ttblptrl,w\n\taddlw\t56\n"),
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

}  // namespace
