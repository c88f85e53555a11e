// The target macros on small trees: bank selection and operand suffixes,
// constant shifts of a byte and comparisons with a constant run in a small
// interpreter over every value, the in-line delay's cycle count over a
// table of delays, the operator mnemonics and the hexadecimal form.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "codegen/model/bsr.h"
#include "codegen/model/ops.h"
#include "codegen/model/progstate.h"
#include "codegen/model/regs.h"
#include "codegen/model/symbols.h"
#include "codegen/model/target_services.h"
#include "codegen/model/tree.h"
#include "codegen/model/types.h"
#include "codegen/target/asmbuf.h"
#include "codegen/target/cgen.h"
#include "codegen/target/emitq.h"
#include "codegen/target/expand.h"
#include "codegen/target/goals.h"
#include "codegen/target/macros.h"
#include "codegen/target/tests/macro_fixture.h"
#include "codegen/target/tests/pic_interp.h"
#include "tests/e2e.h"
#include "tests/support/test_support.h"

namespace {

struct MacrosTest : macro_fixture {
  // An identifier whose text the templates can name (L and R need a chosen pattern).
  tree_node *operand(symbol *s, uint32_t goal) {
    tree_node *t = tree_ident(s);
    EXPECT_TRUE(cgen_match_tree(t, goal, all));
    return t;
  }
  static tree_node *num(int32_t v, ctype *type) {
    tree_node *c = tree_const(v);
    c->type = type;
    return c;
  }
  std::string expanded(tree_node *t, const char *text) {
    written.clear();
    expand_reset_statement();
    cgen_expand(t, text, 0);
    if (!out_pending_line().empty()) out_putc('\n');
    return written;
  }
  static size_t count_of(const std::string &text, const std::string &what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) n++;
    return n;
  }

};

TEST_F(MacrosTest, BankSelectionIsWrittenOnlyWhenTheBankIsNotKnown) {
  tree_node *in_two = root(tree_ident(placed("_x", type_uchar(), 0x210)));
  tree_node *also_two = root(tree_ident(placed("_y", type_uchar(), 0x2F0)));
  tree_node *in_three = root(tree_ident(placed("_z", type_uchar(), 0x300)));
  tree_node *unplaced = root(tree_ident(extern_object("_e", type_uchar())));
  tree_node *access = root(tree_ident(placed("_r", type_uchar(), 0x20)));
  tree_node *crossing = root(tree_ident(placed("_k", type_basic("ui"), 0x2FF)));
  struct {
    tree_node *node;
    const char *movlb;  // the line written, or "" for none
  } steps[] = {
      {in_two, "\tmovlb\t2\t; () banked\n"},
      {also_two, ""},
      {in_three, "\tmovlb\t3\t; () banked\n"},
      {access, ""},
      {crossing, ""},
      {in_three, ""},
      {unplaced, "\tmovlb\t_e>>8\t; () unknown bank\n"},
      {in_three, "\tmovlb\t3\t; () banked\n"},
  };
  for (auto &s : steps) EXPECT_EQ(expanded(s.node, "E1N"), s.movlb) << sym_asm_name(s.node->sym);
  // Suppressed selection writes nothing and learns nothing.
  expanded(in_two, "E5N");
  EXPECT_EQ(expanded(in_two, "E1N"), "");
  expanded(in_two, "E6N");
  EXPECT_EQ(expanded(in_two, "E1N"), "\tmovlb\t2\t; () banked\n");
  // Macro 33 forgets the bank.
  expanded(in_two, "E33N");
  EXPECT_EQ(expanded(in_two, "E1N"), "\tmovlb\t2\t; () banked\n");
  // A label in a template is reached from lines that may not have
  // selected the bank: it is selected again after the label.
  expanded(in_two, "E33N");
  std::string looped = expanded(in_two, "E1Nmovf (SN)E2N,w\nbz u1\n\bu1:\nE1Naddwf (SN)E2N,w");
  EXPECT_EQ(count_of(looped, "movlb"), 2u) << looped;
}

TEST_F(MacrosTest, EveryOperandSuffixNamesItsBankDesignator) {
  struct {
    uint32_t address;
    const char *suffix;
  } cases[] = {{0x20, ",c"}, {0x210, "&0ffh,b"}, {0xF81, ",c"}};
  for (auto &c : cases) {
    tree_node *t = root(tree_ident(placed("_p", type_uchar(), c.address)));
    EXPECT_EQ(expanded(t, "E2N"), std::string(c.suffix) + "\n") << c.address;
  }
  // A banked variable held in a register is the register, in the access bank.
  symbol *held = placed("_h", type_uchar(), 0x210);
  held->reg = REG_FSR0L;
  held->flags2 |= SYM2_IN_REGISTER;
  EXPECT_EQ(expanded(root(tree_ident(held)), "E2N"), ",c\n");
  emit_chip().param_bank = BANK_COMMON;
  tree_node *any = root(num(0, type_uchar()));
  EXPECT_EQ(expanded(any, "E4N"), "&0ffh,c\n");
  emit_chip().param_bank = 1;
  EXPECT_EQ(expanded(any, "E4N"), "&0ffh,b\n");
  EXPECT_EQ(expanded(any, "E28N"), "&0ffh,b\n");
  emit_chip().param_bank = 0;
}

// Shifts of every count on every byte value, against C's own shift.
TEST_F(MacrosTest, ByteShiftsGiveCsResultAndFillWithTheSign) {
  struct {
    uint32_t op;
    bool is_signed;
  } kinds[] = {{OP_ASSHR, false}, {OP_ASSHR, true}, {OP_ASSHL, false}, {OP_ASSHL, true}};
  for (auto &k : kinds) {
    ctype *type = k.is_signed ? type_basic("c") : type_uchar();
    for (int32_t count = 0; count < 8; count++) {
      tree_node *shift = root(tree_make(k.op, operand(placed("_s", type, 0x20), GOAL_BYTE_MEM), num(count, type), type));
      std::string code = expanded(shift, "E16N");
      std::istringstream lines(code);
      for (std::string l; std::getline(lines, l);) EXPECT_LE(count_of(l, "_s"), 1u) << "twice on one line: " << l;
      for (uint32_t v = 0; v < 256; v++) {
        pic_interp pic;
        pic.cells["_s"] = v;
        pic.c = v & 1;  // a carry left over must not leak in
        ASSERT_TRUE(pic.run(code)) << pic.error << "\n" << code;
        uint32_t want;
        if (k.op == OP_ASSHL) want = (v << count) & 0xFF;
        else if (k.is_signed) want = uint32_t(int8_t(v) >> count) & 0xFF;
        else want = v >> count;
        ASSERT_EQ(pic.cells["_s"], want) << "value " << v << " count " << count << " signed " << k.is_signed << "\n"
                                         << code;
      }
    }
  }
}

// Z after the comparison is the equality, for constants of each byte shape.
TEST_F(MacrosTest, ComparisonWithAConstantSetsZeroExactlyOnEquality) {
  ctype *word = type_basic("ui");
  int32_t constants[] = {0, 1, 0xFF, 0x100, 0x0101, 0x1234, 0xFF00, 0xFFFF, 0x00FE, 0x0200};
  for (int32_t k : constants) {
    tree_node *cmp = root(tree_make(OP_EQ, num(k, word), operand(placed("_v", word, 0x20), GOAL_WORD_MEM), word));
    std::string code = expanded(cmp, "E21N");
    uint32_t values[] = {0, 1, 0xFF, 0x100, 0x101, 0x1234, 0x1235, 0x1334, 0xFF00, 0xFFFF, 0xFE, 0x200, 0x300};
    for (uint32_t v : values) {
      pic_interp pic;
      pic.cells["_v"] = v & 0xFF;
      pic.cells["_v+1"] = v >> 8;
      ASSERT_TRUE(pic.run(code)) << pic.error << "\n" << code;
      EXPECT_EQ(pic.z, v == uint32_t(k)) << "constant " << k << " value " << v << "\n" << code;
    }
  }
  // 0x0100: the high byte by decf first, then the zero byte by iorwf.
  tree_node *cmp = root(tree_make(OP_EQ, num(0x100, word), operand(placed("_v", word, 0x20), GOAL_WORD_MEM), word));
  std::string code = expanded(cmp, "E21N");
  EXPECT_EQ(code, "\tdecf\t(_v+1),c,w\n\tiorwf (_v),c,w\n");
}

// A delay's code between the marks that keep the peephole pass off it; the
// marks themselves spend nothing.
std::string delay_code(const std::string &code) {
  const std::string off = "\topt\tasmopt_off\n", on = "\topt\tasmopt_on\n";
  EXPECT_EQ(code.substr(0, off.size()), off) << code;
  EXPECT_GE(code.size(), off.size() + on.size()) << code;
  if (code.size() < off.size() + on.size()) return code;
  EXPECT_EQ(code.substr(code.size() - on.size()), on) << code;
  return code.substr(off.size(), code.size() - off.size() - on.size());
}

TEST_F(MacrosTest, DelaysSpendExactlyTheCyclesAsked) {
  emit_chip().param_bank = 0;
  uint32_t delays[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 100, 255, 256, 770, 771, 772, 1000, 1792, 1793, 2000,
                       65535, 65536, 100000, 0x30300, 0x30301, 0x30300 + 7, 1000000};
  for (uint32_t d : delays) {
    for (bool bank_known : {false, true}) {
      bsr_current = {0, 0};
      if (bank_known) bsr_set_known(15, 0);
      tree_node *count = root(num(int32_t(d), type_basic("ul")));
      std::string code = delay_code(expanded(count, "E19N"));
      pic_interp pic;
      ASSERT_TRUE(pic.run(code)) << pic.error << "\n" << code;
      EXPECT_EQ(pic.cycles, d) << "delay " << d << "\n" << code;
    }
  }
  // A count in W: three cycles a pass.
  tree_node *call = root(tree_make(OP_CALL, tree_ident(extern_object("__delay", type_basic("v"))),
                                   tree_ident(extern_object("_n", type_uchar())), type_basic("v")));
  pic_interp pic;
  pic.w = 5;
  ASSERT_TRUE(pic.run(delay_code(expanded(call, "E19N")))) << pic.error;
  EXPECT_EQ(pic.cycles, 15u);
}

// The same delays counted by gpsim: each between two marks, a nop before
// each mark, so a delay is the difference of the marks' cycles less one.
TEST_F(MacrosTest, DelaysSpendExactlyTheCyclesAskedInGpsim) {
  for (const char *tool : {"gpsim", "gpasm"})
    if (!e2e::have_tool(tool)) GTEST_SKIP() << tool << " missing";
  emit_chip().param_bank = 0;
  uint32_t delays[] = {0, 1, 2, 3, 4, 6, 7, 8, 255, 256, 1792, 1793, 65535, 65536, 0x30300, 0x30301, 1000000};
  std::string source =
      "\tprocessor 18f452\n\tradix dec\nwreg\tequ\t0FE8h\nb\tequ\t1\nf\tequ\t1\n"
      "nop2\tmacro\n\tbra\t$+2\n\tendm\n\torg\t0\n";
  uint32_t mark = 0;
  for (uint32_t d : delays) {
    tree_node *count = root(num(int32_t(d), type_basic("ul")));
    source += "\tnop\nm" + std::to_string(mark++) + ":\n" + delay_code(expanded(count, "E19N"));
  }
  source += "\tnop\nm" + std::to_string(mark) + ":\n\tbra\t$\n\tend\n";
  e2e::folder dir;
  dir.write("d.asm", source);
  ASSERT_EQ(dir.run("gpasm -p18f452 -q d.asm"), 0) << dir.read("out") << source;
  std::string script = "processor p18f452\nload d.cod\n";
  for (uint32_t m = 0; m <= mark; m++) script += "break e m" + std::to_string(m) + "\n";
  for (uint32_t m = 0; m <= mark; m++) script += "run\n";
  script += "quit\n";
  dir.write("d.gps", script);
  ASSERT_EQ(dir.run("timeout 60 gpsim -i -c d.gps < /dev/null"), 0) << dir.read("err");
  // After each "Hit a Breakpoint!" the first line beginning "0x" holds the
  // cycle of the nop before the mark.
  std::vector<uint64_t> cycles;
  std::istringstream out(dir.read("out"));
  bool hit = false;
  for (std::string line; std::getline(out, line);) {
    if (line.find("Hit a Breakpoint!") != std::string::npos) hit = true;
    if (hit && line.rfind("0x", 0) == 0) {
      cycles.push_back(std::stoull(line, nullptr, 16));
      hit = false;
    }
  }
  ASSERT_EQ(cycles.size(), size_t(mark + 1)) << dir.read("out").substr(0, 2000);
  for (uint32_t k = 0; k < mark; k++) EXPECT_EQ(cycles[k + 1] - cycles[k] - 1, delays[k]) << "delay " << delays[k];
}

TEST_F(MacrosTest, SmallMacrosAndMnemonics) {
  tree_node *k = root(num(200, type_uchar()));
  struct {
    const char *text;
    const char *out;
  } cases[] = {{"E52N", "200\n"}, {"E53N", "8\n"}, {"E61N", ""}, {"E51N", "\t;wreg free\n"}};
  for (auto &c : cases) EXPECT_EQ(expanded(k, c.text), c.out) << c.text;
  expanded(k, "E50N");
  EXPECT_EQ(expanded(k, "E51N"), "") << "W is in use";
  tree_node *one = root(num(1, type_uchar()));
  EXPECT_EQ(expanded(one, "E53N"), "0\n");
  expanded(k, "E13N");
  EXPECT_EQ(captured_numbers(), std::vector<unsigned>{679});

  ctype *word = type_basic("ui");
  tree_node *add = root(tree_make(OP_ASADD, num(1, word), num(2, word), word));
  EXPECT_EQ(expanded(add, "Q2N"), "addwfc\n");
  EXPECT_EQ(expanded(add, "Q5N"), "dec\n");
  tree_node *sub = root(tree_make(OP_SUB, num(1, word), num(2, word), word));
  EXPECT_EQ(expanded(sub, "Q3N"), "subfwb\n");
  tree_node *shr = root(tree_make(OP_SHR, num(1, word), num(2, word), word));
  EXPECT_EQ(expanded(shr, "Q1N"), "c\n") << "unsigned left operand";
  EXPECT_EQ(emit_op_mnemonic(OP_AND, nullptr, 1), nullptr);

  struct {
    uint32_t value;
    const char *hex;
  } hexes[] = {{0xFF, "0FFh"}, {0x28, "028h"}, {0, "00h"}, {0xA, "0Ah"}};
  for (auto &h : hexes) EXPECT_EQ(emit_hex(h.value), h.hex);
  tree_node *ptr_store = root(tree_make(OP_ASSIGN, num(0, type_uchar()), num(0, type_basic("ul")), type_uchar()));
  EXPECT_EQ(expanded(ptr_store, "E23N"), "03h\n");
  EXPECT_EQ(emit_new_label(), 30001u);
  EXPECT_EQ(emit_new_label(), 30002u);
}

}  // namespace
