// Pattern predicates by family, on small trees made for each case.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "codegen/model/ptrtargets.h"
#include "codegen/model/regs.h"
#include "codegen/model/symbols.h"
#include "codegen/model/tree.h"
#include "codegen/model/types.h"
#include "codegen/target/emitq.h"
#include "codegen/target/pred.h"
#include "tests/support/test_support.h"

namespace {

struct PredTest : ::testing::Test {
  void SetUp() override {
    sym_init_types();
    capture_messages();
    emit_chip() = emit_chip_state{0x10000, 0x5f, {0, 0, 0, 0}, 0, 0};
  }
  void TearDown() override { pointGraphCompleted = false; }

  static ctype *basic(uint32_t size, uint8_t arith) {
    ctype *t = type_new(TY_BASIC);
    t->size = size;
    t->arith = arith;
    return t;
  }
  static ctype *pointer(uint32_t size, ctype *to = nullptr) {
    ctype *p = type_derive(to ? to : type_uchar(), TY_POINTER);
    type_set_ptr_size(p, size);
    return p;
  }
  static tree_node *leaf(uint32_t op, ctype *type, int32_t value = 0) {
    tree_node *n = tree_node_new();
    n->op = op;
    n->type = type;
    n->value = value;
    return n;
  }
  static tree_node *constant(uint32_t size, int32_t value) { return leaf(OP_CONST, basic(size, ARITH_UNSIGNED), value); }
  static tree_node *with_targets(tree_node *n, uint32_t bits) {
    n->targets = ptr_targets_new(nullptr);
    n->targets->class_bits = bits;
    return n;
  }
  static symbol *object(const char *name, ctype *type) {
    symbol *s = sym_new();
    sym_set_names(s, name);
    s->type = type;
    s->sclass = SC_EXTERN;
    return s;
  }
  static tree_node *id(symbol *s) { return tree_ident(s); }
};

TEST_F(PredTest, SizesAndClassesOfTheNodeAndItsChildren) {
  struct {
    uint32_t pred;
    uint32_t size, left_size;
    uint8_t arith, left_arith;
    bool expected;
  } cases[] = {
      {P_ISBYTE, 1, 0, ARITH_UNSIGNED, 0, true},     {P_ISBYTE, 2, 0, ARITH_UNSIGNED, 0, false},
      {P_LONG, 4, 0, ARITH_SIGNED, 0, true},         {P_LONG, 4, 0, ARITH_FLOAT, 0, false},
      {P_DWORD, 4, 0, ARITH_FLOAT, 0, true},         {P_BIG_OBJECT, 256, 0, 0, 0, true},
      {P_BIG_OBJECT, 255, 0, 0, 0, false},           {P_NOTBYTE, 3, 0, 0, 0, true},
      {P_SIGNWORD, 2, 0, ARITH_SIGNED, 0, true},     {P_SIGNWORD, 2, 0, ARITH_UNSIGNED, 0, false},
      {P_ISDOUBLE, 4, 0, ARITH_FLOAT, 0, true},      {P_TRIFLOAT, 3, 0, ARITH_FLOAT, 0, true},
      {P_ISLOGICAL, 0, 0, ARITH_BIT, 0, true},       {P_LLONGER, 1, 5, 0, 0, true},
      {P_LLONGER, 1, 255, 0, 0, false},              {P_LUNSTRIWORD, 1, 3, 0, ARITH_UNSIGNED, true},
      {P_L_AINT_VOID, 1, 2, 0, ARITH_NONE, true},    {P_L_AINT_VOID, 1, 2, 0, ARITH_SIGNED, false},
      // Conversions: the node is the converted value.
      {P_LONG_TO_BYTE, 1, 4, ARITH_UNSIGNED, ARITH_SIGNED, true},
      {P_LONG_TO_BYTE, 1, 4, ARITH_UNSIGNED, ARITH_FLOAT, false},
      {P_SIGNCONV, 2, 1, ARITH_SIGNED, ARITH_SIGNED, true},
      {P_SIGNCONV, 2, 1, ARITH_FLOAT, ARITH_SIGNED, false},
      {P_UNSCONV, 4, 2, ARITH_SIGNED, ARITH_UNSIGNED, true},
      {P_UNSCONV, 2, 2, ARITH_SIGNED, ARITH_UNSIGNED, false},
      {P_TRI_TO_DOUBLE, 4, 3, ARITH_FLOAT, ARITH_FLOAT, true},
      {P_SIGNWORD_TO_TRI, 3, 2, ARITH_SIGNED, ARITH_SIGNED, true},
      {P_SIGNWORD_TO_TRI, 3, 2, ARITH_SIGNED, ARITH_UNSIGNED, false},
      {P_ZFILL_BYTE_SHIFT, 1, 1, ARITH_UNSIGNED, 0, true},
      {P_ZFILL_BYTE_SHIFT, 1, 1, ARITH_SIGNED, 0, false},
  };
  for (auto &c : cases) {
    tree_node *n = leaf(OP_CONV, basic(c.size, c.arith));
    if (c.left_size || c.left_arith) n->left = leaf(OP_ID, basic(c.left_size, c.left_arith));
    EXPECT_EQ(pred_eval(c.pred, n), c.expected) << pred_names[c.pred] << " " << c.size << " from " << c.left_size;
  }
  // A signed byte shifted left fills with zeros too.
  tree_node *shift = leaf(OP_SHL, basic(1, ARITH_SIGNED));
  EXPECT_TRUE(pred_eval(P_ZFILL_BYTE_SHIFT, shift));
}

TEST_F(PredTest, ConstantValues) {
  struct {
    uint32_t pred;
    uint32_t size;
    int32_t value;
    bool expected;
  } cases[] = {
      {P_MINUS_ONE, 1, 255, true},          {P_MINUS_ONE, 1, -1, true},
      {P_MINUS_ONE, 4, 0xFFFF, false},      {P_MINUS_ONE, 4, -1, true},
      {P_MINUS_ONE, 2, 0xFF, false},        {P_POWER_OF_TWO, 1, 1, true},
      {P_POWER_OF_TWO, 1, 0, false},        {P_POWER_OF_TWO, 2, 96, false},
      {P_ONE_LESS_POWER_OF_TWO, 1, 7, true}, {P_ONE_LESS_POWER_OF_TWO, 1, 6, false},
      {P_ONEBIT, 4, INT32_MIN, true},       {P_ONEBIT, 2, 0, false},
      {P_ONEBIT_8, 2, 0x100, true},         {P_ONEBIT_8, 2, 0x80, false},
      {P_ONEBIT_16, 4, 0x800000, true},     {P_ONEBIT_24, 4, 0x1000000, true},
      {P_ONEBIT_24, 4, 0x800000, false},    {P_ONEBITCOMP, 1, 0xFE, true},
      {P_ONEBITCOMP, 2, 0xFE, false},       {P_ONEBITCOMP, 2, 0xFFFE, true},
      {P_SMALLNEG, 2, -256, true},          {P_SMALLNEG, 2, -257, false},
      {P_SMALLNEG, 2, 0, false},            {P_SECONDBYTE, 2, 0x1200, true},
      {P_SECONDBYTE, 2, 0x1201, false},     {P_THIRDBYTE, 4, 0x340000, true},
      {P_FOURTHBYTE, 4, int32_t(0x80000000u), true},
      {P_WORDCONST, 2, 0xFFFF, true},       {P_WORDCONST, 2, 0, false},
      {P_SMALLCONST, 1, 255, true},         {P_SMALLCONST, 2, 256, false},
      {P_ONE_TO_THREE, 1, 3, true},         {P_ONE_TO_THREE, 1, 4, false},
      {P_HEX80, 1, 128, true},              {P_ONETWENTYEIGHT, 1, 128, true},
      {P_EVENCONST, 1, 6, true},            {P_POSITIVE, 1, -1, false},
      {P_ISZERO, 1, 0, true},               {P_ISZERO, 1, 1, false},
  };
  for (auto &c : cases)
    EXPECT_EQ(pred_eval(c.pred, constant(c.size, c.value)), c.expected)
        << pred_names[c.pred] << " size " << c.size << " value " << c.value;
  // Value tests are tests of constants.
  EXPECT_FALSE(pred_eval(P_ISONE, leaf(OP_ID, type_uchar(), 1)));
}

TEST_F(PredTest, FloatingZeroIsZeroButNanIsNot) {
  tree_node *zero = leaf(OP_FCONST, basic(4, ARITH_FLOAT));
  zero->fvalue = 0.0;
  EXPECT_TRUE(pred_eval(P_ISZERO, zero));
  zero->fvalue = -0.0;
  EXPECT_TRUE(pred_eval(P_ISZERO, zero));
  zero->fvalue = std::nan("");
  EXPECT_FALSE(pred_eval(P_ISZERO, zero));
}

TEST_F(PredTest, LoopCountsOfTheRightOperand) {
  auto loop = [&](int32_t count) {
    tree_node *n = leaf(OP_CALL, type_void());
    n->right = constant(4, count);
    return n;
  };
  EXPECT_TRUE(pred_eval(P_NOLOOP, loop(6)));
  EXPECT_FALSE(pred_eval(P_NOLOOP, loop(7)));
  EXPECT_TRUE(pred_eval(P_ONELOOP, loop(1792)));
  EXPECT_FALSE(pred_eval(P_ONELOOP, loop(1793)));
  EXPECT_TRUE(pred_eval(P_TWOLOOP, loop(0x30300)));
  EXPECT_TRUE(captured_numbers().empty());
  EXPECT_FALSE(pred_eval(P_TWOLOOP, loop(0x30301)));
  EXPECT_FALSE(pred_eval(P_TWOLOOP, loop(0x40000)));  // once per position
  EXPECT_EQ(captured_numbers(), std::vector<unsigned>{1355});
}

TEST_F(PredTest, BitFieldsWidthAndOffsetDownTheLeftChildren) {
  symbol *member = sym_new();
  member->bf_width = 3;
  member->bf_offset = 5;
  tree_node *field = leaf(OP_BITFIELD, type_uchar());
  field->member = member;
  EXPECT_TRUE(pred_eval(P_BITF_3BIT, field));
  EXPECT_FALSE(pred_eval(P_BITF_4BIT, field));
  EXPECT_TRUE(pred_eval(P_BITF_GE_3BIT, field));
  EXPECT_FALSE(pred_eval(P_BITF_GE_5BIT, field));
  EXPECT_FALSE(pred_eval(P_ONEBITF, field));
  tree_node *assign = tree_make(OP_ASSIGN, field, constant(1, 1), type_uchar());
  EXPECT_TRUE(pred_eval(P_BITOFF_5, assign));
  EXPECT_FALSE(pred_eval(P_BITOFF_4, assign));
  EXPECT_FALSE(pred_eval(P_BITOFF_0, constant(1, 0)));  // no bit-field at all
}

TEST_F(PredTest, PointersByTheirTargets) {
  struct {
    uint32_t pred;
    uint32_t size;
    uint32_t bits;
    bool expected;
  } cases[] = {
      {P_CODE_8_PTR, 1, 0x40000, true},     {P_CODE_8_PTR, 1, 0x40001, false},
      {P_CODE_16_PTR, 2, 0x80000, true},    {P_CODE_16_PTR, 2, 0, false},
      {P_ACCESS_8_PTR, 1, 0x10000, true},   {P_ACCESS_8_PTR, 1, 0x30000, false},
      {P_FAR_16_PTR, 2, 0x80000, true},     {P_FAR_24_PTR, 2, 0x80000, false},
      {P_FAR_PTR, 3, 0xC0000, false},       {P_MIXED_16_PTR, 2, 0x60000, true},
      {P_MIXED_16_PTR, 2, 0x40000, false},  {P_MIXED_16_PTR, 3, 0x60000, false},
      {P_MIXED_24_PTR, 3, 0x40001, true},   {P_MIXED_24_PTR, 3, 0x20000, false},
      {P_ANY_RAM_PTR, 2, 0x30001, true},    {P_ANY_RAM_PTR, 2, 0x40000, false},
      {P_ANY_RAM_PTR, 3, 0x30001, false},   {P_TRIPTR, 3, 0, true},
      {P_TBLPTRU_IS_ZERO, 2, 0xA0000, true}, {P_TBLPTRU_IS_ZERO, 2, 0x60000, false},
  };
  for (auto &c : cases)
    EXPECT_EQ(pred_eval(c.pred, with_targets(leaf(OP_ID, pointer(c.size)), c.bits)), c.expected)
        << pred_names[c.pred] << " size " << c.size << " bits " << std::hex << c.bits;
  // Program memory below 64K bytes keeps TBLPTRU zero for mixed pointers.
  emit_chip().rom_size = 0x8000;
  EXPECT_TRUE(pred_eval(P_TBLPTRU_IS_ZERO, with_targets(leaf(OP_ID, pointer(2)), 0x60000)));
  EXPECT_FALSE(pred_eval(P_NOT_PTR, leaf(OP_ID, pointer(2))));
  EXPECT_TRUE(pred_eval(P_NOT_PTR, leaf(OP_ID, type_uchar())));
}

TEST_F(PredTest, PointersWithoutTargetSetsDependOnTheFinishedGraph) {
  tree_node *one = leaf(OP_ID, pointer(1)), *three = leaf(OP_ID, pointer(3));
  EXPECT_FALSE(pred_eval(P_CODE_8_PTR, one));
  EXPECT_TRUE(pred_eval(P_MIXED_24_PTR, three));
  pointGraphCompleted = true;
  EXPECT_TRUE(pred_eval(P_CODE_8_PTR, one));
  EXPECT_FALSE(pred_eval(P_MIXED_24_PTR, three));
}

TEST_F(PredTest, PointerSamenessAgainstTheLeftOperand) {
  tree_node *conv = with_targets(leaf(OP_CONV, pointer(2)), 0x20000);
  conv->left = with_targets(leaf(OP_ID, pointer(2)), 0x20000);
  EXPECT_TRUE(pred_eval(P_SAMEPTRFLAGS, conv));
  EXPECT_TRUE(pred_eval(P_SAMESAME, conv));
  conv->left->targets->class_bits = 0x10000;
  EXPECT_FALSE(pred_eval(P_SAMEPTRFLAGS, conv));
  EXPECT_FALSE(pred_eval(P_SAMESAME, conv));
  EXPECT_TRUE(pred_eval(P_PTRCONV, conv));
  tree_node *fromint = leaf(OP_CONV, pointer(2));
  fromint->left = leaf(OP_ID, basic(2, ARITH_UNSIGNED));
  EXPECT_TRUE(pred_eval(P_NONPTR_TO_PTR, fromint));
  EXPECT_TRUE(pred_eval(P_SAMENOTFTNPTR, fromint));
  EXPECT_TRUE(pred_eval(P_SAMESAME, fromint) == false);
}

TEST_F(PredTest, QualifiersAndStorage) {
  ctype *vol = type_qualify(type_uchar(), Q_VOLATILE);
  ctype *code = type_qualify(type_uchar(), Q_CONST);
  EXPECT_TRUE(pred_eval(P_BYTE_VOLATILE, leaf(OP_ID, vol)));
  EXPECT_FALSE(pred_eval(P_NONVOLATILE, leaf(OP_ID, vol)));
  EXPECT_TRUE(pred_eval(P_ISCODE, leaf(OP_DEREF, code)));
  EXPECT_FALSE(pred_eval(P_ISRAM, leaf(OP_DEREF, code)));
  // An automatic variable is in RAM whatever its type says.
  symbol *automatic = object("_a", code);
  automatic->sclass = SC_AUTO;
  EXPECT_TRUE(pred_eval(P_ISRAM, id(automatic)));
  EXPECT_FALSE(pred_eval(P_ISCODE, id(automatic)));
  // So is a const parameter; only a const object of static storage
  // duration is in program memory.
  symbol *parameter = object("_p", code);
  parameter->sclass = SC_PARAM;
  EXPECT_TRUE(pred_eval(P_ISRAM, id(parameter)));
  EXPECT_FALSE(pred_eval(P_ISCODE, id(parameter)));
  symbol *table = object("_t", code);
  EXPECT_TRUE(pred_eval(P_ISCODE, id(table)));
  EXPECT_FALSE(pred_eval(P_ISRAM, id(table)));
  // Through an object's address, the object tells, not the pointed-to type.
  for (symbol *s : {automatic, table}) {
    tree_node *address = tree_make(OP_ADDR, id(s), nullptr, pointer(2, code));
    address->targets = sym_ptr_targets(s);
    address->indir = 0;
    tree_node *star = tree_make(OP_DEREF, address, nullptr, code);
    EXPECT_EQ(pred_eval(P_ISRAM, star), s == automatic) << s->name;
  }
  ctype *record = type_new(TY_STRUCT);
  record->size = 6;
  record->laid_out = true;
  EXPECT_TRUE(pred_eval(P_STRUCTURE, leaf(OP_ID, record)));
  EXPECT_FALSE(pred_eval(P_SMALLSTRUCT, leaf(OP_ID, record)));
  EXPECT_TRUE(pred_eval(P_PTR_TO_STRUCT, leaf(OP_ID, pointer(2, record))));
  tree_node *plus = tree_make(OP_ADD, leaf(OP_ID, pointer(2)), constant(2, 2), pointer(2));
  tree_node *star = tree_make(OP_DEREF, plus, nullptr, basic(2, ARITH_UNSIGNED));
  EXPECT_TRUE(pred_eval(P_STARINC, star));
}

TEST_F(PredTest, RegistersAndNamedObjects) {
  symbol *w = object("_w", type_uchar());
  w->reg = REG_WREG;
  w->flags2 |= SYM2_IN_REGISTER;
  symbol *p = object("_p", pointer(2));
  p->reg = REG_FSR1;
  p->flags2 |= SYM2_IN_REGISTER;
  // Given a register but kept in memory here: it is a memory operand.
  symbol *released = object("_released", type_uchar());
  released->reg = REG_WREG;
  EXPECT_FALSE(pred_eval(P_HASWREG, id(released)));
  EXPECT_TRUE(pred_eval(P_HASWREG, id(w)));
  EXPECT_TRUE(pred_eval(P_HASWREG, leaf(OP_REG, type_uchar(), REG_WREG)));
  EXPECT_FALSE(pred_eval(P_HASWREG, leaf(OP_REG, type_uchar(), REG_PRODL)));
  EXPECT_TRUE(pred_eval(P_HASBYTEREG, id(w)));
  EXPECT_TRUE(pred_eval(P_HASWORDREG, id(p)));
  EXPECT_TRUE(pred_eval(P_ISFSR, id(p)));
  EXPECT_FALSE(pred_eval(P_ISFSR, id(w)));
  EXPECT_TRUE(pred_eval(P_DELAY, id(object("___delay", type_void()))));
  EXPECT_TRUE(pred_eval(P_BDIVOP, id(object("___lbdiv", type_void()))));
  EXPECT_TRUE(pred_eval(P_NOT_VA_START, id(w)));
  symbol *wreg = object("_WREG", type_uchar());
  wreg->flags |= SYM_ABSOLUTE;
  wreg->address = 0xFE8;
  EXPECT_TRUE(pred_eval(P_ISWREG, id(wreg)));
  wreg->address = 0x200;
  EXPECT_FALSE(pred_eval(P_ISWREG, id(wreg)));
}

TEST_F(PredTest, BanksOfPlacedObjects) {
  auto at = [&](ctype *type, uint64_t address) {
    symbol *s = object("_v", type);
    s->flags |= SYM_ABSOLUTE;
    s->address = address;
    return id(s);
  };
  ctype *word = basic(2, ARITH_UNSIGNED);
  EXPECT_TRUE(pred_eval(P_TRANSBANK_ID, at(word, 0x1FF)));   // its bytes in two banks
  EXPECT_FALSE(pred_eval(P_INTRABANK_ID, at(word, 0x1FF)));
  EXPECT_TRUE(pred_eval(P_INTRABANK_ID, at(word, 0x300)));
  EXPECT_TRUE(pred_eval(P_COMMON_ID, at(word, 0x10)));
  EXPECT_FALSE(pred_eval(P_COMMON_ID, at(word, 0x60)));
  EXPECT_TRUE(pred_eval(P_COMMON_HI_ID, at(type_uchar(), 0xF80)));
  EXPECT_FALSE(pred_eval(P_COMMON_HI_ID, at(type_uchar(), 0x10)));
  // Bank 15 crosses only under the chip option.
  EXPECT_FALSE(pred_eval(P_TRANSBANK_ID, at(word, 0xF10)));
  emit_chip().options[0] = CHIP_OPT_BANK15_SPLIT;
  EXPECT_TRUE(pred_eval(P_TRANSBANK_ID, at(word, 0xF10)));
  // A far object is never banked.
  EXPECT_FALSE(pred_eval(P_TRANSBANK_ID, at(type_qualify(word, Q_FAR), 0x1FF)));
  tree_node *pair = tree_make(OP_ASSIGN, at(word, 0x310), at(word, 0x320), word);
  EXPECT_TRUE(pred_eval(P_SAMEBANK, pair));
  pair->right = at(word, 0x420);
  EXPECT_FALSE(pred_eval(P_SAMEBANK, pair));
  pair->right = at(word, 0x20);
  EXPECT_TRUE(pred_eval(P_SAMEBANK, pair));
}

TEST_F(PredTest, BitObjects) {
  auto bit_at = [&](bool absolute, uint64_t bit_address) {
    symbol *s = object("_flag", type_bit());
    if (absolute) s->flags |= SYM_ABSOLUTE;
    s->address = bit_address;
    return id(s);
  };
  EXPECT_TRUE(pred_eval(P_ISCOMBIT, bit_at(false, 0)));
  EXPECT_TRUE(pred_eval(P_ISCOMBIT, bit_at(true, 0x10 * 8)));
  EXPECT_FALSE(pred_eval(P_ISCOMBIT, bit_at(true, 0x300 * 8)));
  EXPECT_FALSE(pred_eval(P_ISQBIT, bit_at(true, 0xF10 * 8)));
  EXPECT_FALSE(pred_eval(P_ISBSR15BIT, bit_at(true, 0xF10 * 8)));
  emit_chip().options[0] = CHIP_OPT_BANK15_SPLIT;
  EXPECT_TRUE(pred_eval(P_ISQBIT, bit_at(true, 0xF10 * 8)));
  EXPECT_TRUE(pred_eval(P_ISBSR15BIT, bit_at(true, 0xF10 * 8)));
  EXPECT_FALSE(pred_eval(P_ISBSR15BIT, bit_at(false, 0xF10 * 8)));
  EXPECT_TRUE(pred_eval(P_BOOLEAN, bit_at(false, 0)));
}

TEST_F(PredTest, ShapesOfTheOperands) {
  symbol *x = object("_x", type_uchar()), *y = object("_y", type_uchar());
  ctype *byte = type_uchar();
  EXPECT_TRUE(pred_eval(P_SAME_SUBTREES, tree_make(OP_ADD, id(x), id(x), byte)));
  EXPECT_FALSE(pred_eval(P_SAME_SUBTREES, tree_make(OP_ADD, id(x), id(y), byte)));
  // x = x + 5 and x = 5 + x.
  EXPECT_TRUE(pred_eval(P_SAMEID, tree_make(OP_ASSIGN, id(x), tree_make(OP_ADD, id(x), constant(1, 5), byte), byte)));
  EXPECT_TRUE(
      pred_eval(P_X_EQ_CONST_OP_X, tree_make(OP_ASSIGN, id(x), tree_make(OP_ADD, constant(1, 5), id(x), byte), byte)));
  // (x << 4) | (x >> 4), and x = (x << 4) + (x >> 4).
  auto swap = [&](symbol *a, symbol *b) {
    return std::make_pair(tree_make(OP_SHL, id(a), constant(1, 4), byte), tree_make(OP_SHR, id(b), constant(1, 4), byte));
  };
  auto [shl, shr] = swap(x, x);
  EXPECT_TRUE(pred_eval(P_USE_SWAPF, tree_make(OP_OR, shl, shr, byte)));
  auto [shl2, shr2] = swap(x, y);
  EXPECT_FALSE(pred_eval(P_USE_SWAPF, tree_make(OP_OR, shl2, shr2, byte)));
  auto [shl3, shr3] = swap(x, x);
  EXPECT_TRUE(pred_eval(P_USE_SWAPF, tree_make(OP_ASSIGN, id(x), tree_make(OP_ADD, shl3, shr3, byte), byte)));
  // x = (x << 1) | 1 sets a bit, as x = (x >> 1) | 128 does.
  auto bsf = [&](uint32_t shift, int32_t bit) {
    tree_node *moved = tree_make(shift, id(x), constant(1, 1), byte);
    return tree_make(OP_ASSIGN, id(x), tree_make(OP_OR, moved, constant(1, bit), byte), byte);
  };
  EXPECT_TRUE(pred_eval(P_BSF_SHIFT, bsf(OP_SHL, 1)));
  EXPECT_TRUE(pred_eval(P_BSF_SHIFT, bsf(OP_SHR, 128)));
  EXPECT_FALSE(pred_eval(P_BSF_SHIFT, bsf(OP_SHL, 128)));
}

TEST_F(PredTest, ANumberWithoutATestReportsItsName) {
  tree_node *n = constant(1, 0);
  EXPECT_TRUE(pred_eval(P_ALWAYS_TRUE, n));
  EXPECT_FALSE(pred_eval(PRED_COUNT + 1, n));
  EXPECT_FALSE(pred_eval(0, n));
  // Negated, the missing test holds, and is still reported.
  EXPECT_TRUE(pred_word_holds(PRED_NEGATE | (PRED_COUNT + 1), n));
  EXPECT_EQ(captured_numbers(), (std::vector<unsigned>{689, 689, 689}));
  EXPECT_TRUE(pred_word_holds(uint32_t(PRED_NEGATE) | P_ISONE, n));
  EXPECT_FALSE(pred_word_holds(P_ISONE, n));
}

TEST_F(PredTest, EveryNumberHasATest) {
  tree_node *n = constant(1, 0);
  for (uint32_t k = 1; k <= PRED_COUNT; k++) pred_eval(k, n);
  EXPECT_TRUE(captured_numbers().empty());
}

}  // namespace
