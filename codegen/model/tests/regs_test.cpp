// The register model: the table's masks and parts, sets of registers and
// classes, register lists, the choice of a register of a class, names and
// temporaries.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codegen/model/regs.h"
#include "codegen/model/tree.h"
#include "codegen/model/types.h"
#include "codegen/model/tests/model_support.h"
#include "common/vector.h"

namespace {

regset *set_of(std::initializer_list<uint32_t> regs) {
  regset *s = iset_alloc();
  for (uint32_t r : regs) reg_add_leaves(s, r);
  return s;
}

class RegsTest : public testing::Test {
 protected:
  void SetUp() override {
    fresh_model();
    iset_clear(rset_function_used());
    iset_clear(rset_busy());
  }
};

// Every compound's mask and size follow from its parts, so a slip in one
// row of the table shows here.
TEST_F(RegsTest, TableMasksAndSizesFollowFromTheParts) {
  for (uint32_t r = 1; r <= REG_LAST_LEAF; r++) {
    EXPECT_EQ(reg_table[r].mask, 1u << (r - 1)) << reg_table[r].name;
    EXPECT_EQ(reg_table[r].size, 1) << reg_table[r].name;
  }
  for (uint32_t r = REG_STATUS; r <= REG_ALLREG; r++) {
    uint32_t mask = 0, size = 0;
    for (const uint8_t *p = reg_table[r].parts; *p; p++) {
      mask |= reg_table[*p].mask;
      size += reg_table[*p].size;
    }
    EXPECT_EQ(reg_table[r].mask, mask) << reg_table[r].name;
    EXPECT_EQ(reg_table[r].size, size) << reg_table[r].name;
  }
  EXPECT_EQ(reg_table[REG_EMPTY].mask, 0u);
}

TEST_F(RegsTest, SetsOfMasksRegistersAndClasses) {
  EXPECT_EQ(set_members(rset_for_mask(0x6)), (std::vector<uint32_t>{REG_FSR0L, REG_FSR0H}));
  EXPECT_EQ(set_members(rset_of(REG_TBLPTR)), (std::vector<uint32_t>{21, 22, 23}));
  EXPECT_EQ(set_members(rset_of(55)), (std::vector<uint32_t>{2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(set_members(rset_of(REG_TEMP)), (std::vector<uint32_t>{REG_TEMP}));
  EXPECT_EQ(set_members(rset_of(0x10005)), (std::vector<uint32_t>{0x10005}));
  EXPECT_TRUE(iset_is_empty(rset_of(REG_NONE)));
  EXPECT_EQ(rset_of(REG_FSR0), rset_of(REG_FSR0)) << "sets are cached";
  EXPECT_EQ(set_members(rset_of(REG_ALLREG)).size(), 19u);
}

TEST_F(RegsTest, RegisterIsInASetWhenAllItsLeavesAre) {
  regset *s = set_of({REG_FSR0L, REG_FSR0H, REG_PRODL, 70});
  EXPECT_TRUE(reg_in_set(s, REG_FSR0));
  EXPECT_FALSE(reg_in_set(s, REG_PROD));
  EXPECT_TRUE(reg_in_set(s, 70));
  EXPECT_FALSE(reg_in_set(s, REG_NONE));
  EXPECT_FALSE(reg_in_set(s, REG_EMPTY));
  iset_free(s);
}

struct list_case {
  const char *text;
  std::vector<uint32_t> regs;   // empty: no set
  std::vector<unsigned> messages;
};

TEST_F(RegsTest, RegisterLists) {
  const list_case cases[] = {
      {"fsr0, prod", {2, 3, 24, 25}, {}},
      {"ALLREG", set_members(rset_of(REG_ALLREG)), {}},
      {"ltemp0", {}, {749}},
      {"bsr", {}, {749}},
      {"wreg,bogus\tstatus", {1, 8, 9}, {749}},
      {"", {}, {}},
  };
  for (const list_case &c : cases) {
    captured_lines().clear();
    regset *s = parse_register_list(c.text);
    if (c.regs.empty())
      EXPECT_EQ(s, nullptr) << c.text;
    else
      EXPECT_EQ(set_members(s), c.regs) << c.text;
    EXPECT_EQ(captured_numbers(), c.messages) << c.text;
    iset_free(s);
  }
}

TEST_F(RegsTest, PickPrefersCheapThenAlreadyUsedThenEarlier) {
  regset *avail = set_of({REG_FSR1, REG_FSR2});
  EXPECT_EQ(rclass_pick(avail, 55), REG_FSR1);
  reg_add_leaves(rset_function_used(), REG_FSR2);
  EXPECT_EQ(rclass_pick(avail, 55), REG_FSR2);
  iset_clear(rset_function_used());

  regset *bytes = set_of({REG_FSR1L, REG_PRODH, REG_BTEMP + 2});
  EXPECT_EQ(rclass_pick(bytes, 58), REG_FSR1L);
  reg_add_leaves(rset_function_used(), REG_PRODH);
  EXPECT_EQ(rclass_pick(bytes, 58), REG_PRODH);

  EXPECT_EQ(rclass_pick(avail, REG_FSR1), REG_FSR1);
  EXPECT_EQ(rclass_pick(avail, REG_FSR0), 0u);
  EXPECT_EQ(rclass_pick(avail, 0x10003), 0x10003u);
  regset *none = iset_alloc();
  EXPECT_EQ(rclass_pick(none, 49), 0u);
  EXPECT_EQ(rclass_pick(none, 48), REG_TEMP) << "TEMP means: or a temporary in memory";
  for (regset *s : {avail, bytes, none}) iset_free(s);
}

TEST_F(RegsTest, FindFreeTriesMembersInListOrder) {
  regset *avail = set_of({REG_WREG, REG_PRODL});
  regset *want = set_of({REG_WREG});
  EXPECT_EQ(rclass_find_free(avail, 48, want), REG_TEMP);
  EXPECT_EQ(rclass_find_free(avail, 48, nullptr), REG_TEMP);
  EXPECT_EQ(rclass_find_free(avail, 49, want), 0u);
  regset *fsr = set_of({REG_FSR0, REG_FSR2});
  regset *want2 = set_of({REG_FSR2H});
  EXPECT_EQ(rclass_find_free(fsr, 55, want2), REG_FSR2);
  EXPECT_EQ(rclass_find_free(fsr, REG_FSR0, want2), 0u);
  EXPECT_EQ(rclass_find_free(fsr, 70, want2), 70u);
  for (regset *s : {avail, want, fsr, want2}) iset_free(s);
}

TEST_F(RegsTest, ChooseUnderWantedAndWithinSets) {
  regset *avail = set_of({REG_FSR0, REG_FSR1, REG_FSR2});
  regset *want = set_of({REG_FSR1L});
  regset *within = set_of({REG_FSR1, REG_FSR2});
  regset *empty = iset_alloc();
  EXPECT_EQ(rclass_choose(avail, want, empty, 55, false), REG_FSR1);
  EXPECT_EQ(rclass_choose(avail, empty, empty, 55, true), REG_FSR2);
  EXPECT_EQ(rclass_choose(avail, empty, within, 55, false), REG_FSR1);
  regset *want2 = set_of({REG_FSR2H});
  EXPECT_EQ(rclass_choose(avail, want2, within, 55, false), REG_FSR2);
  regset *want3 = set_of({REG_FSR0L});
  EXPECT_EQ(rclass_choose(avail, want3, within, 55, false), REG_FSR1) << "falls back inside within";

  regset *elsewhere = set_of({REG_PROD});
  EXPECT_EQ(rclass_choose(avail, empty, elsewhere, 55, false), 0u);
  EXPECT_TRUE(iset_includes(rset_busy(), elsewhere)) << "what it could not get is busy";
  iset_clear(rset_busy());
  EXPECT_EQ(rclass_choose(avail, empty, empty, REG_PROD, false), 0u);
  EXPECT_TRUE(iset_includes(rset_busy(), rset_of(REG_PROD)));
  EXPECT_EQ(rclass_choose(avail, empty, empty, 0x20000, false), 0x20000u);
  for (regset *s : {avail, want, within, empty, want2, want3, elsewhere}) iset_free(s);
}

TEST_F(RegsTest, Names) {
  const std::pair<uint32_t, const char *> cases[] = {
      {1, "wreg"},        {8, "status,2"},    {REG_TBLPTR, "tblptr"}, {59, "TEMP"},
      {60, "TEMP1"},      {62, "TEMP3"},      {0x10012, "U10012"},    {55, "(fsr0|fsr1|fsr2)"},
      {48, "(btemp|btemp+1|btemp+2|btemp+3|TEMP)"}, {0, "0"},
  };
  for (auto &[r, name] : cases) EXPECT_STREQ(register_name(r), name) << r;
}

TEST_F(RegsTest, TemporariesArePackedAndNeverTemp) {
  rset_temps_reset(TEMPS_FUNCTION);
  tree_node *word = tree_const(0);
  word->type = type_int();
  EXPECT_EQ(rset_new_temp(word, REG_TEMP), 60u);
  EXPECT_EQ(rset_new_temp(nullptr, 61), 62u);
  EXPECT_EQ(rset_temps_offset(), 4u);
  rset_temps_reset(TEMPS_TREE);
  EXPECT_EQ(rset_new_temp(word, REG_TEMP), 60u);
  EXPECT_EQ(rset_temps_high(), 4u);
  rset_temps_reset(TEMPS_FUNCTION);
  EXPECT_EQ(rset_temps_high(), 0u);
  tree_free(word);
}

}  // namespace
