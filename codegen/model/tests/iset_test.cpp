// Integer sets: members below and above 32, set algebra, ascending
// iteration, and the recycling of set records.
#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "codegen/model/iset.h"
#include "codegen/model/tests/model_support.h"
#include "common/vector.h"

namespace {

iset *make(std::initializer_list<uint32_t> members) {
  iset *s = iset_alloc();
  for (uint32_t n : members) iset_add(s, n);
  return s;
}

std::vector<uint32_t> iterate(iset *s) {
  std::vector<uint32_t> out;
  for (uint32_t n = iset_first(s); n; n = iset_next(s)) out.push_back(n);
  return out;
}

TEST(Iset, IterationIsAscendingAcrossTheWordAndTheTable) {
  iset *s = make({5, 40, 33});
  EXPECT_EQ(iterate(s), (std::vector<uint32_t>{5, 33, 40}));
  iset_add(s, 31);
  iset_add(s, 70000);
  EXPECT_EQ(iterate(s), (std::vector<uint32_t>{5, 31, 33, 40, 70000}));
  EXPECT_EQ(set_members(s), (std::vector<uint32_t>{5, 31, 33, 40, 70000}));
  iset_free(s);
}

TEST(Iset, RemoveAnswersWhetherTheMemberWasThere) {
  iset *s = make({3, 100});
  EXPECT_FALSE(iset_remove(s, 4));
  EXPECT_FALSE(iset_remove(s, 101));
  EXPECT_EQ(set_members(s), (std::vector<uint32_t>{3, 100}));
  EXPECT_TRUE(iset_remove(s, 100));
  EXPECT_TRUE(iset_remove(s, 3));
  EXPECT_TRUE(iset_is_empty(s));
  iset_free(s);
}

TEST(Iset, EmptiedOverflowCountsAsAbsent) {
  iset *a = make({1, 2});
  iset *b = make({1, 2, 64});
  iset_remove(b, 64);
  EXPECT_TRUE(iset_equal(a, b));
  EXPECT_TRUE(iset_equal(b, a));
  EXPECT_TRUE(iset_includes(a, b));
  iset_add(b, 64);
  EXPECT_FALSE(iset_equal(a, b));
  iset_free(a);
  iset_free(b);
}

struct algebra_case {
  const char *name;
  void (*op)(iset *, const iset *);
  std::vector<uint32_t> expected;
};

TEST(Iset, AlgebraOnSmallAndLargeMembers) {
  const std::initializer_list<uint32_t> A = {1, 7, 32, 40, 500}, B = {7, 8, 40, 41};
  const algebra_case cases[] = {
      {"union", iset_union, {1, 7, 8, 32, 40, 41, 500}},
      {"intersect", iset_intersect, {7, 40}},
      {"subtract", iset_subtract, {1, 32, 500}},
      {"xor", iset_xor, {1, 8, 32, 41, 500}},
  };
  for (const algebra_case &c : cases) {
    iset *a = make(A), *b = make(B);
    c.op(a, b);
    EXPECT_EQ(set_members(a), c.expected) << c.name;
    EXPECT_EQ(set_members(b), (std::vector<uint32_t>{7, 8, 40, 41})) << c.name << " changed its operand";
    iset_free(a);
    iset_free(b);
  }
}

TEST(Iset, IntersectWithoutLargeMembersDropsTheTable) {
  iset *a = make({2, 33, 34});
  iset *b = make({2, 3});
  iset_intersect(a, b);
  EXPECT_EQ(set_members(a), (std::vector<uint32_t>{2}));
  EXPECT_EQ(a->overflow, nullptr);
  iset_free(a);
  iset_free(b);
}

TEST(Iset, IncludesAndIntersects) {
  iset *a = make({1, 2, 50, 60});
  iset *b = make({2, 60});
  iset *c = make({3, 61});
  iset *d = make({61});
  EXPECT_TRUE(iset_includes(a, b));
  EXPECT_FALSE(iset_includes(b, a));
  EXPECT_TRUE(iset_intersects(a, b));
  EXPECT_FALSE(iset_intersects(a, c));
  EXPECT_TRUE(iset_intersects(c, d));
  EXPECT_FALSE(iset_intersects(a, nullptr));
  EXPECT_TRUE(iset_is_empty(nullptr));
  for (iset *s : {a, b, c, d}) iset_free(s);
}

TEST(Iset, AssignAndDupCopyTheLargeMembers) {
  iset *a = make({4, 90});
  iset *b = iset_dup(a);
  iset *c = make({5, 91, 92});
  iset_assign(c, a);
  iset_add(a, 91);
  EXPECT_EQ(set_members(b), (std::vector<uint32_t>{4, 90}));
  EXPECT_EQ(set_members(c), (std::vector<uint32_t>{4, 90}));
  for (iset *s : {a, b, c}) iset_free(s);
}

TEST(Iset, RecycledRecordsComeBackEmpty) {
  iset *a = make({1, 2, 77});
  iset_free(a);
  iset *b = iset_alloc();
  EXPECT_TRUE(iset_is_empty(b));
  EXPECT_FALSE(iset_member(b, 77));
  EXPECT_EQ(iterate(b), std::vector<uint32_t>{});
  iset_free(b);
  iset_free(nullptr);
}

TEST(Iset, AtMost8192RecordsAreCached) {
  std::vector<iset *> sets;
  uint32_t live = iset_live_count();
  for (int k = 0; k < 8300; k++) sets.push_back(make({uint32_t(k % 31), uint32_t(100 + k)}));
  EXPECT_EQ(iset_live_count(), live + 8300);
  EXPECT_GE(iset_peak_count(), live + 8300);
  for (iset *s : sets) iset_free(s);
  EXPECT_EQ(iset_cached_count(), 8192u);
  EXPECT_EQ(iset_live_count(), live);
}

}  // namespace
