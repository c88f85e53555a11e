// The generated tables from the starter description, read through the
// lookup the selector uses.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "codegen/model/ops.h"
#include "codegen/model/patlookup.h"
#include "codegen/model/target_services.h"
#include "codegen/target/goals.h"
#include "codegen/target/pattab.h"

namespace {

// The pattern numbers of a lookup's candidates, in order of preference.
std::vector<uint32_t> candidate_numbers(uint32_t goal, uint32_t op) {
  std::vector<uint32_t> numbers;
  int found = pat_lookup(goal, op);
  if (found < 0) numbers.push_back(uint32_t(-found));
  for (int k = found; found > 0; k++) {
    int16_t entry = pattern_lists[k];
    numbers.push_back(uint32_t(entry < 0 ? -entry : entry));
    if (entry < 0) break;
  }
  return numbers;
}

std::vector<std::string> candidates(uint32_t goal, uint32_t op) {
  std::vector<std::string> names;
  for (uint32_t number : candidate_numbers(goal, op)) names.push_back(pattern_rule_of(number).name);
  return names;
}

// The pattern number of the candidate of that rule name, 0 when none is.
uint32_t candidate_number(uint32_t goal, uint32_t op, const std::string &name) {
  for (uint32_t number : candidate_numbers(goal, op))
    if (pattern_rule_of(number).name == name) return number;
  return 0;
}

TEST(PatternTables, CandidatesFollowTheOrderOfTheRules) {
  using names = std::vector<std::string>;
  struct {
    uint32_t goal, op;
    names expected;
  } cases[] = {
      {GOAL_STMT, OP_ASSIGN, {"store_zext_word", "clear_byte", "move_byte_mem", "store_w_byte", "move_word_mem"}},
      {GOAL_STMT, OP_CJUMP, {"jump_if_z", "jump_unless_z"}},
      {GOAL_BYTE_CONST, OP_CONST, {"zero_byte", "one_byte", "byte_const_leaf"}},
      {GOAL_WREG_BYTE, OP_ADD, {"add_w_const", "add_w_mem"}},
      {GOAL_REWRITE, OP_MUL, {"mul_byte_native", "float_arith_call", "double_arith_call"}},
      // A chain rule is a candidate for what its source goal matches.
      {GOAL_WREG_BYTE, OP_ID, {"w_from_mem"}},
      // ... also where the source reaches an operator only through a rule
      // of its own: a word cut to a byte is a byte in memory.
      {GOAL_WREG_BYTE, OP_CONV, {"w_from_mem"}},
      {GOAL_STMT, OP_CALL, {"call_stmt"}},
      {GOAL_FUNC_NAME, OP_CONST, {}},   // a pair with no rules
      {GOAL_STMT, OP_SUB, {}},
  };
  // The rules named stand in this order among the candidates (later rules
  // may join the lists); none means no candidates at all.
  for (auto &c : cases) {
    names found = candidates(c.goal, c.op);
    auto at = found.begin();
    for (const std::string &name : c.expected) {
      at = std::find(at, found.end(), name);
      if (at == found.end()) {
        ADD_FAILURE() << name << " not in order under " << c.goal << " " << lextab[c.op];
        break;
      }
    }
    if (c.expected.empty()) {
      EXPECT_TRUE(found.empty()) << c.goal << " " << lextab[c.op];
    }
  }
}

TEST(PatternTables, OneCandidateIsItsNegatedNumber) {
  int found = pat_lookup(GOAL_FUNC_NAME, OP_ID);
  ASSERT_LT(found, 0);
  EXPECT_STREQ(pattern_rule_of(uint32_t(-found)).name, "func_id");
  EXPECT_EQ(pattern_table[-found].op, OP_ID);
}

TEST(PatternTables, LabelGoalsNameOnePatternOfTheirOperator) {
  int zero = -int(uint32_t(LABEL_ZERO) - GOAL_ONE_PATTERN);
  EXPECT_EQ(pat_lookup(LABEL_ZERO, OP_CONST), zero);
  EXPECT_EQ(pat_lookup(LABEL_ZERO, OP_ID), 0);
  EXPECT_STREQ(pattern_rule_of(uint32_t(-zero)).name, "zero_byte");
  // A label past the last pattern names nothing.
  EXPECT_EQ(pat_lookup(GOAL_ONE_PATTERN + pattern_count, OP_CONST), 0);
}

TEST(PatternTables, ResultTextsByIndex) {
  int word = pat_lookup(GOAL_WORD_MEM, OP_ID);
  int call = -int(candidate_number(GOAL_STMT, OP_CALL, "call_stmt"));
  int byte = pat_lookup(GOAL_BYTE_MEM, OP_ID);
  ASSERT_LT(word, 0);
  ASSERT_LT(call, 0);
  ASSERT_LT(byte, 0);
  EXPECT_STREQ(pat_result_text(uint32_t(-word), 0), "L");
  EXPECT_STREQ(pat_result_text(uint32_t(-word), 1), "L+1");
  EXPECT_STREQ(pat_result_text(uint32_t(-word), 7), "L+1");  // past the count: the last
  EXPECT_STREQ(pat_result_text(uint32_t(-byte), 3), "L");
  EXPECT_STREQ(pat_result_text(uint32_t(-call), 0), "");      // no texts
  EXPECT_STREQ(pat_result_text(0, 0), "");
}

TEST(PatternTables, RecordsCarryTheirFields) {
  int found = -int(candidate_number(GOAL_STMT, OP_CALL, "call_stmt"));
  ASSERT_LT(found, 0);
  const pattern &call = pattern_table[-found];
  EXPECT_EQ(call.flags & PK_MASK, PK_NONE);
  EXPECT_TRUE(call.flags & PF_CALL);
  EXPECT_STREQ(call.code, "call L");
  std::string place = pattern_rule_of(uint32_t(-found)).place;
  EXPECT_EQ(place.rfind("25-calls.pat:", 0), 0u) << place;
  const pattern &zero = pattern_table[0];
  EXPECT_EQ(zero.op, 0u);
  EXPECT_EQ(zero.code, nullptr);
}

// Every slot in use is found from its home slot, and every chain candidate
// leads to a pair that exists, so the selector never looks up a missing list.
TEST(PatternTables, EveryListTheSelectorMayAskForExists) {
  uint32_t used = 0;
  for (uint32_t s = 0; s < PATTERN_HASH_SLOTS; s++) {
    const pattern_hash_slot &slot = pattern_hash[s];
    if (!slot.list) continue;
    used++;
    EXPECT_EQ(pat_lookup(uint32_t(slot.goal), uint32_t(slot.op)), slot.list);
    std::vector<int> members;
    if (slot.list < 0) members.push_back(-slot.list);
    for (int k = slot.list; slot.list > 0; k++) {
      members.push_back(pattern_lists[k] < 0 ? -pattern_lists[k] : pattern_lists[k]);
      if (pattern_lists[k] < 0) break;
    }
    for (int m : members) {
      const pattern &p = pattern_table[m];
      if (p.op >= GOAL_STATEMENT) EXPECT_NE(pat_lookup(p.op, uint32_t(slot.op)), 0) << pattern_rule_of(m).name;
      else EXPECT_EQ(p.op, uint32_t(slot.op)) << pattern_rule_of(m).name;
    }
  }
  EXPECT_GT(used, 10u);
}

}  // namespace
