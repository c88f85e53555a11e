// Field patches and relocation expressions, called directly.
#include "linker/reloc.h"

#include <gtest/gtest.h>

#include <vector>

#include "linker/options.h"
#include "linker/pass.h"
#include "linker/sym.h"
#include "linker/tests/link_fixture.h"
#include "tests/support/test_support.h"

namespace {

using fixture::bytes;
using fixture::expr;

struct LinkState : ::testing::Test {
  void SetUp() override {
    capture_messages();
    link_begin();
  }
};

struct patch_case {
  const char *what;
  bytes field;
  uint8_t type;
  uint32_t value;
  bool byte_cut;
  bytes expected;
  bool overflow;
};

TEST_F(LinkState, FieldPatchesKeepBitsOutsideTheFieldAndCheckOverflow) {
  const patch_case cases[] = {
      {"1-byte -1 addend stays", {0xFF}, 0x01, 0, false, {0xFF}, false},
      {"1-byte sum", {0x10}, 0x11, 0x20, false, {0x30}, false},
      {"1-byte past 8 bits", {0x10}, 0x11, 0x100, false, {0x10}, true},
      {"1-byte cut in a byte psect", {0x10}, 0x11, 0x100, true, {0x10}, false},
      {"2-byte 0x12345", {0, 0}, 0x12, 0x12345, false, {0x45, 0x23}, true},
      {"2-byte -32768", {0, 0}, 0x12, 0xFFFF8000, false, {0x00, 0x80}, false},
      {"2-byte negative addend", {0xFE, 0xFF}, 0x12, 0x10, false, {0x0E, 0x00}, false},
      {"3-byte", {1, 2, 3}, 0x13, 0x010101, false, {2, 3, 4}, false},
      {"4-byte never overflows", {0xFF, 0xFF, 0xFF, 0x7F}, 0x14, 0x7FFFFFFF, false, {0xFE, 0xFF, 0xFF, 0xFF}, false},
      {"bit field of 4 bits", {0xA5}, 0xD4, 0x03, false, {0xA8}, false},
      {"bit field of 4 bits overflows", {0xA0}, 0xD4, 0x1F, false, {0xAF}, true},
      {"bit field of 12 bits in two bytes", {0x00, 0xF0}, 0xFC, 0x123, false, {0x23, 0xF1}, false},
      {"bit field of 11 bits, negative", {0x00, 0xD0}, 0xFB, 0xFFFFFFFE, false, {0xFE, 0xD7}, false},
  };
  for (const patch_case &c : cases) {
    bytes data = c.field;
    bool overflow = false;
    uint32_t sum;
    ASSERT_TRUE(reloc_patch(data.data(), (uint32_t)data.size(), 0, c.type, c.value, c.byte_cut, &overflow, &sum))
        << c.what;
    EXPECT_EQ(data, c.expected) << c.what;
    EXPECT_EQ(overflow, c.overflow) << c.what;
  }
  EXPECT_TRUE(captured_numbers().empty());
}

TEST_F(LinkState, FieldsOutsideTheDataOrOfBadSizeAreNotPatched) {
  bytes data = {1, 2, 3};
  bool overflow;
  uint32_t sum;
  EXPECT_FALSE(reloc_patch(data.data(), 3, 2, 0x12, 1, false, &overflow, &sum));
  EXPECT_FALSE(reloc_patch(data.data(), 3, 0, 0x10, 1, false, &overflow, &sum));
  EXPECT_FALSE(reloc_patch(data.data(), 3, 0, 0x15, 1, false, &overflow, &sum));
  EXPECT_FALSE(reloc_patch(data.data(), 3, 0, 0xD0, 1, false, &overflow, &sum));
  EXPECT_EQ(data, (bytes{1, 2, 3}));
  EXPECT_EQ(captured_numbers(), (std::vector<unsigned>{508, 509, 509, 509}));
}

struct expr_case {
  const char *what;
  bytes code;
  bool has_value;
  uint32_t value;
  std::vector<unsigned> messages;
};

reloc_expr_result eval(const bytes &code, uint32_t base = 0, uint32_t offset = 0) {
  body_cursor c = {code.data(), (uint32_t)code.size(), 0, false};
  reloc_expr_result r = reloc_eval(&c, base, offset);
  if (!r.broken) {
    EXPECT_EQ(c.pos, code.size());
  }
  return r;
}

TEST_F(LinkState, ExpressionsTakeTheTopAsTheLeftOperand) {
  const expr_case cases[] = {
      {"5, 3, sub", expr().constant(5).constant(3).op(IO_OP_SUB).end(), true, (uint32_t)-2, {}},
      {"8, 2, div", expr().constant(2).constant(8).op(IO_OP_DIV).end(), true, 4, {}},
      {"7 mod 4", expr().constant(4).constant(7).op(IO_OP_MOD).end(), true, 3, {}},
      {"1 shl 4", expr().constant(4).constant(1).op(IO_OP_SHL).end(), true, 16, {}},
      {"shift by the low 5 bits", expr().constant(33).constant(1).op(IO_OP_SHL).end(), true, 2, {}},
      {"logical shift", expr().constant(4).constant(0x80000000).op(IO_OP_SHR).end(), true, 0x08000000, {}},
      {"arithmetic shift", expr().constant(4).constant(0x80000000).op(IO_OP_ASR).end(), true, 0xF8000000, {}},
      {"low byte", expr().constant(0x1234).op(IO_OP_LOW).end(), true, 0x34, {}},
      {"high byte", expr().constant(0x123456).op(IO_OP_HIGH).end(), true, 0x34, {}},
      {"not and neg", expr().constant(5).op(IO_OP_NOT).op(IO_OP_NEG).end(), true, 6, {}},
      {"abs", expr().constant((uint32_t)-9).op(IO_OP_ABS).end(), true, 9, {}},
      {"bit clear", expr().constant(0x00030001).constant(0xFF).op(IO_OP_BITCLR).end(), true, 0x77, {}},
      {"and or xor", expr().constant(0xF0).constant(0x3C).op(IO_OP_AND).constant(0x01).op(IO_OP_OR)
                         .constant(0xFF).op(IO_OP_XOR).end(), true, 0xCE, {}},
      {"text then value", expr().named(IO_OP_RANGETEXT, "why").constant(1).end(), true, 1, {}},
      {"divide by zero", expr().constant(0).constant(8).op(IO_OP_DIV).constant(1).op(IO_OP_ADD).end(), false, 0,
       {527}},
      {"two values left", expr().constant(1).constant(2).end(), false, 0, {513}},
      {"nothing left", expr().end(), false, 0, {513}},
      {"binary operator on one value", expr().constant(1).op(IO_OP_ADD).end(), false, 0, {513}},
      {"range check passes, no value", expr().constant(10).constant(20).op(IO_OP_RANGE).end(), false, 0, {}},
      {"range check fails", expr().named(IO_OP_RANGETEXT, "too far").constant(20).constant(10).op(IO_OP_RANGE)
                                .end(), false, 0, {478}},
      {"range check with one operand", expr().constant(1).op(IO_OP_RANGE).end(), false, 0, {511}},
      {"rotation encoding", expr().constant(0x3F000).op(IO_OP_ROT8).end(), true, 0x0A3F, {}},
  };
  for (const expr_case &c : cases) {
    capture_messages();
    reloc_expr_result r = eval(c.code);
    EXPECT_EQ(r.has_value, c.has_value) << c.what;
    if (c.has_value) {
      EXPECT_EQ(r.value, c.value) << c.what;
    }
    EXPECT_EQ(captured_numbers(), c.messages) << c.what;
  }
}

TEST_F(LinkState, UnknownOperatorsStopTheRecord) {
  reloc_expr_result r = eval(bytes{IO_OP_CONST, 1, 0, 0, 0, 99, 0});
  EXPECT_FALSE(r.has_value);
  EXPECT_TRUE(r.broken);
  EXPECT_EQ(captured_numbers(), (std::vector<unsigned>{512}));
}

TEST_F(LinkState, AnExpressionRunningPastItsRecordIsMalformed) {
  bytes code = {IO_OP_CONST, 1, 0};
  body_cursor c = {code.data(), (uint32_t)code.size(), 0, false};
  EXPECT_TRUE(reloc_eval(&c, 0, 0).broken);
  EXPECT_EQ(captured_numbers(), (std::vector<unsigned>{517}));
}

TEST_F(LinkState, DeepExpressionsAreRefusedNotOverrun) {
  expr e;
  for (int i = 0; i < 100; i++) e.constant(1);
  for (int i = 0; i < 99; i++) e.op(IO_OP_ADD);
  reloc_expr_result r = eval(e.end());
  EXPECT_FALSE(r.has_value);
  EXPECT_EQ(captured_numbers(), (std::vector<unsigned>{513}));
}

TEST_F(LinkState, RotationEncoding) {
  const struct {
    uint32_t in, out;
  } cases[] = {
      {0xFF, 0xFF},             // fits as it is
      {0x100, 0xC01},           // 1 rotated: z = 8, (32 - 8) / 2 = 12
      {0x3F000, 0xA3F},         // z = 12: 0x3F, rotation 10
      {0x200, 0xC02},           // z = 9, odd: doubled to 2, (33 - 9) / 2 = 12
      {0x1FE00, 0xFFFFFFFF},    // z = 9, doubled 0x1FE no longer fits
      {0x101, 0xFFFF},          // bits outside one byte
  };
  for (const auto &c : cases) EXPECT_EQ(reloc_rot8(c.in), c.out) << std::hex << c.in;
}

TEST_F(LinkState, NamedOperandsUseThePlacedValues) {
  lpos.pass = 3;
  link_symbol *psect = sym_enter("code", LS_PSECT | LS_GLOBAL);
  psect->info->link = 0x200;
  psect->info->delta = 2;
  psect->info->selector = 7;
  link_symbol *s = sym_enter("_f", LS_GLOBAL);
  s->flags = (s->flags & ~LS_KIND) | IO_SYM_DEFINE;
  s->base = psect;
  s->value = 0x210;
  sym_enter("_missing", LS_GLOBAL);

  struct {
    const char *what;
    bytes code;
    uint32_t value;
  } cases[] = {
      {"psect in units", expr().named(IO_OP_PSECT, "code").end(), 0x100},
      {"symbol in units", expr().named(IO_OP_SYM, "_f").end(), 0x108},
      {"symbol, PC-relative", expr().named(IO_OP_SYM_PCREL, "_f").end(), 0x108 - 0x100 - 4},
      {"psect selector", expr().named(IO_OP_PSECT_SEL, "code").end(), 7},
      {"selector of a symbol's psect", expr().named(IO_OP_SYM_SEL, "_f").end(), 7},
      {"defined", expr().named(IO_OP_DEFINED, "_f").end(), 1},
      {"undefined", expr().named(IO_OP_DEFINED, "_missing").end(), 0},
      {"unknown", expr().named(IO_OP_DEFINED, "_nobody").end(), 0},
  };
  for (const auto &c : cases) {
    reloc_expr_result r = eval(c.code, 0x100, 4);
    EXPECT_TRUE(r.has_value) << c.what;
    EXPECT_EQ(r.value, c.value) << c.what;
  }
  EXPECT_TRUE(psect->flags & LS_SELECTOR);
  EXPECT_TRUE(captured_numbers().empty());
}

}  // namespace
