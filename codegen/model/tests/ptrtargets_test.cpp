// Pointer-target sets: pairs recorded by assignments and their propagation
// over small assignment graphs.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "codegen/model/ptrtargets.h"
#include "codegen/model/symbols.h"
#include "codegen/model/tests/model_support.h"
#include "codegen/model/types.h"
#include "common/vector.h"

namespace {

class TargetsTest : public testing::Test {
 protected:
  void SetUp() override { fresh_model(); }
  ptr_targets *set(const char *name) { return sym_ptr_targets(sym_find(name)); }
  // The names of the set's targets, sorted.
  std::vector<std::string> targets(const char *name) {
    std::vector<std::string> out;
    ptr_targets *s = set(name);
    for (uint32_t k = 0; k < vec_size(s->targets); k++)
      out.push_back(static_cast<ptr_targets *>(vec_get(s->targets, k))->owner->name);
    std::sort(out.begin(), out.end());
    return out;
  }
  using names = std::vector<std::string>;
};

// Pairs read as assignments: (A, a, B, b) stores what B reaches at depth b
// where A reaches at depth a (an identifier has depth 1, &x depth 0, *p 2).
TEST_F(TargetsTest, PropagationOverAssignments) {
  read_records(
      "[v _a `i 1 e ] [v _b `i 1 e ] [v _p `*i 1 e ] [v _q `*i 1 e ] [v _r `*i 1 e ] "
      "[v _pp `**i 1 e ]");
  sym_pair_targets(set("_q"), 1, set("_p"), 1);   // q = p (before p has targets)
  sym_pair_targets(set("_p"), 1, set("_a"), 0);   // p = &a
  sym_pair_targets(set("_pp"), 1, set("_p"), 0);  // pp = &p
  sym_pair_targets(set("_pp"), 2, set("_b"), 0);  // *pp = &b
  sym_pair_targets(set("_r"), 1, set("_pp"), 2);  // r = *pp
  EXPECT_TRUE(sym_propagate_targets());
  EXPECT_EQ(targets("_p"), (names{"_a", "_b"}));
  EXPECT_EQ(targets("_q"), (names{"_a", "_b"}));
  EXPECT_EQ(targets("_r"), (names{"_a", "_b"}));
  EXPECT_EQ(targets("_pp"), (names{"_p"}));
  EXPECT_FALSE(sym_propagate_targets()) << "a second run changes nothing";
  EXPECT_TRUE(sym_find("_a")->flags2 & SYM2_ADDRESS_TAKEN);
  EXPECT_FALSE(sym_find("_q")->flags2 & SYM2_ADDRESS_TAKEN);
  EXPECT_TRUE(set("_p")->has_targets);
  EXPECT_EQ(set("_p")->max_size, 2u);
  EXPECT_EQ(set("_pp")->max_size, 3u);
  EXPECT_GE(vec_find(ptr_sets_list(), set("_p")), 0) << "stored-into sets are listed";
}

TEST_F(TargetsTest, CyclesSettle) {
  read_records("[v _a `i 1 e ] [v _p `*i 1 e ] [v _q `*i 1 e ]");
  sym_pair_targets(set("_p"), 1, set("_q"), 1);
  sym_pair_targets(set("_q"), 1, set("_p"), 1);
  sym_pair_targets(set("_q"), 1, set("_a"), 0);
  sym_pair_targets(set("_q"), 1, set("_a"), 0);  // entered once
  EXPECT_EQ(ptr_pair_count(), 3u);
  EXPECT_TRUE(sym_propagate_targets());
  EXPECT_EQ(targets("_p"), (names{"_a"}));
  EXPECT_EQ(targets("_q"), (names{"_a"}));
}

TEST_F(TargetsTest, StructsOfEqualShapePairTheirPointerMembers) {
  read_records(
      "[v _a `i 1 e ] "
      "[s S1 `*i 1 `c 1 ] [s S2 `*i 1 `i 1 ] "
      "[v _s `S1 1 e ] [v _t `S2 1 e ]");
  ctype *s1 = sym_find("S1")->type, *s2 = sym_find("S2")->type;
  symbol *m1 = static_cast<symbol *>(vec_get(s1->members, 0));
  symbol *m2 = static_cast<symbol *>(vec_get(s2->members, 0));
  sym_pair_targets(sym_ptr_targets(m2), 1, set("_a"), 0);  // t.m = &a
  sym_pair_targets(set("_s"), 1, set("_t"), 1);            // s = t
  sym_propagate_targets();
  ptr_targets *got = sym_ptr_targets(m1);
  ASSERT_EQ(vec_size(got->targets), 1u);
  EXPECT_EQ(static_cast<ptr_targets *>(vec_get(got->targets, 0))->owner, sym_find("_a"));
}

TEST_F(TargetsTest, FunctionPointersCarryReturnTargets) {
  read_records("[v _a `i 1 e ] [v _f `(*i 1 e ] [v _fp `*(*i 1 e ] [v _r `*i 1 e ]");
  symbol *f = sym_find("_f"), *fp = sym_find("_fp");
  sym_pair_targets(sym_ptr_targets(sym_return_rep(f)), 1, set("_a"), 0);  // return &a
  sym_pair_targets(set("_fp"), 1, set("_f"), 0);                           // fp = f
  sym_pair_targets(set("_r"), 1, sym_ptr_targets(sym_return_rep(fp)), 1);  // r = fp()
  sym_propagate_targets();
  EXPECT_EQ(targets("_r"), (names{"_a"}));
  EXPECT_STREQ(sym_return_rep(fp)->name, "sp__fp");
}

TEST_F(TargetsTest, NoPairsOnceTheGraphIsComplete) {
  read_records("[v _a `i 1 e ] [v _p `*i 1 e ]");
  pointGraphCompleted = true;
  sym_pair_targets(set("_p"), 1, set("_a"), 0);
  EXPECT_EQ(ptr_pair_count(), 0u);
  pointGraphCompleted = false;
}

TEST_F(TargetsTest, TargetsText) {
  read_records(
      "[v _alpha `i 1 e ] [v _beta `i 1 e ] [v _gamma `i 1 e ] [v _delta `i 1 e ] [v _eps `i 1 e ] "
      "[v _p `*i 1 e ] [v _q `*i 1 e ]");
  ptr_targets_add(set("_p"), set("_alpha"));
  EXPECT_STREQ(sym_targets_text(set("_p")), "&alpha");
  for (const char *name : {"_alpha", "_beta", "_gamma", "_delta"}) ptr_targets_add(set("_q"), set(name));
  EXPECT_STREQ(sym_targets_text(set("_q")), "->(alpha,beta,gamma,delta)");
  ptr_targets_add(set("_q"), set("_eps"));
  EXPECT_STREQ(sym_targets_text(set("_q")), "->(alpha,beta,gamma,delta...)") << "cut once past 16 characters";
}

}  // namespace
