#include "common/vector.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

void *item(intptr_t n) { return reinterpret_cast<void *>(n); }

std::vector<intptr_t> items_of(const vec *v) {
  std::vector<intptr_t> out;
  for (uint32_t i = 0; i < vec_size(v); i++) out.push_back(reinterpret_cast<intptr_t>(vec_get(v, i)));
  return out;
}

vec *vec_of(std::initializer_list<intptr_t> values) {
  vec *v = vec_new_default();
  for (intptr_t n : values) vec_push(v, item(n));
  return v;
}

TEST(Vector, CapacityStartsAtTheInitialSizeAndDoubles) {
  vec *v = vec_new(4);
  EXPECT_EQ(v->capacity, 0u);
  uint32_t expected[] = {4, 4, 4, 4, 8, 8, 8, 8, 16};
  for (uint32_t i = 0; i < 9; i++) {
    EXPECT_EQ(vec_push(v, item(i)), i);
    EXPECT_EQ(v->capacity, expected[i]) << "after push " << i + 1;
  }
  vec_free(v);

  vec *from_zero = vec_new(0);  // must still be able to grow
  for (int i = 0; i < 25; i++) vec_push(from_zero, item(i));
  EXPECT_EQ(vec_size(from_zero), 25u);
  EXPECT_EQ(vec_get(from_zero, 24), item(24));
  vec_free(from_zero);
}

TEST(Vector, SetPastTheEndFillsWithNulls) {
  vec *v = vec_new_default();
  EXPECT_EQ(vec_set(v, item(42), 7), item(42));
  EXPECT_EQ(items_of(v), (std::vector<intptr_t>{0, 0, 0, 0, 0, 0, 0, 42}));
  vec_set(v, item(5), 2);
  EXPECT_EQ(vec_size(v), 8u);
  EXPECT_EQ(vec_get(v, 2), item(5));
  EXPECT_EQ(vec_get(v, 8), nullptr);
  vec_free(v);
}

TEST(Vector, SetAfterClearDoesNotShowOldItems) {
  vec *v = vec_of({1, 2, 3, 4});
  vec_clear(v);
  vec_set(v, item(9), 2);
  EXPECT_EQ(items_of(v), (std::vector<intptr_t>{0, 0, 9}));
  vec_free(v);
}

TEST(Vector, RemovingDuringIterationSkipsNothing) {
  vec *v = vec_of({1, 2, 3, 4, 5});
  std::vector<intptr_t> seen;
  vec_rewind(v);
  while (vec_more(v)) {
    void *x = vec_next(v);
    seen.push_back(reinterpret_cast<intptr_t>(x));
    if (x == item(2) || x == item(3)) vec_remove(v, x);  // the item just returned
  }
  EXPECT_EQ(seen, (std::vector<intptr_t>{1, 2, 3, 4, 5}));
  EXPECT_EQ(items_of(v), (std::vector<intptr_t>{1, 4, 5}));

  // Removing an item behind the cursor keeps the cursor on the same item.
  vec_first(v);           // returned 1; cursor on 4
  vec_remove_at(v, 0);
  EXPECT_EQ(vec_current(v), item(4));
  vec_free(v);
}

TEST(Vector, InsertingDuringIterationKeepsTheCursorOnItsItem) {
  vec *v = vec_of({1, 2, 3});
  EXPECT_EQ(vec_first(v), item(1));  // cursor on 2
  vec_insert(v, item(10), 0);         // before the cursor
  vec_insert(v, item(20), 2);         // at the cursor
  EXPECT_EQ(vec_next(v), item(2));
  vec_insert(v, item(30), 99);        // past the end appends
  EXPECT_EQ(items_of(v), (std::vector<intptr_t>{10, 1, 20, 2, 3, 30}));
  EXPECT_EQ(vec_next(v), item(3));
  EXPECT_EQ(vec_next(v), item(30));
  EXPECT_EQ(vec_next(v), nullptr);
  vec_free(v);
}

TEST(Vector, SecondCursorIsIndependent) {
  vec *v = vec_of({1, 2, 3});
  EXPECT_EQ(vec_first(v), item(1));
  EXPECT_EQ(vec_first2(v), item(1));
  EXPECT_EQ(vec_next2(v), item(2));
  EXPECT_EQ(vec_current2(v), item(3));
  EXPECT_EQ(vec_current(v), item(2));
  EXPECT_EQ(vec_next2(v), item(3));
  EXPECT_EQ(vec_next2(v), nullptr);
  EXPECT_EQ(vec_current2(v), nullptr);
  EXPECT_EQ(vec_first(nullptr), nullptr);
  EXPECT_EQ(vec_first2(nullptr), nullptr);
  vec_free(v);
}

TEST(Vector, MoveShiftsTheItemsBetween) {
  struct {
    uint32_t from, to;
    std::vector<intptr_t> expected;
  } cases[] = {
      {0, 3, {2, 3, 4, 1, 5}},
      {4, 1, {1, 5, 2, 3, 4}},
      {2, 2, {1, 2, 3, 4, 5}},
      {1, 5, {1, 2, 3, 4, 5}},  // to out of range: nothing
      {7, 0, {1, 2, 3, 4, 5}},  // from out of range: nothing
  };
  for (const auto &c : cases) {
    vec *v = vec_of({1, 2, 3, 4, 5});
    vec_move(v, c.from, c.to);
    EXPECT_EQ(items_of(v), c.expected) << c.from << " -> " << c.to;
    vec_free(v);
  }
}

TEST(Vector, FindRemoveAndUniqueMerges) {
  vec *v = vec_of({1, 2, 3, 2});
  EXPECT_EQ(vec_find(v, item(2)), 1);
  EXPECT_EQ(vec_find(v, item(7)), -1);
  EXPECT_EQ(vec_push_unique(v, item(3)), 2u);
  EXPECT_EQ(vec_push_unique(v, item(4)), 4u);
  EXPECT_EQ(vec_remove(v, item(2)), 1);  // first occurrence only
  EXPECT_EQ(items_of(v), (std::vector<intptr_t>{1, 3, 2, 4}));
  EXPECT_EQ(vec_remove(v, item(9)), 0);
  EXPECT_EQ(vec_remove_at(v, 4), 0);

  vec *other = vec_of({4, 5, 1, 6});
  EXPECT_EQ(vec_merge_unique(v, other), 4u);
  EXPECT_EQ(items_of(v), (std::vector<intptr_t>{1, 3, 2, 4, 5, 6}));
  EXPECT_EQ(vec_append(v, other), 4u);
  EXPECT_EQ(vec_size(v), 10u);
  EXPECT_EQ(vec_append(v, nullptr), 0u);
  EXPECT_EQ(vec_top(v), item(6));
  EXPECT_EQ(vec_pop(v), item(6));
  EXPECT_EQ(vec_size(v), 9u);
  vec_free(other);
  vec_free(v);
}

TEST(Vector, DupCopiesFieldsAndIsIndependent) {
  vec *v = vec_of({1, 2, 3});
  vec_first(v);
  vec *copy = vec_dup(v);
  EXPECT_EQ(copy->count, v->count);
  EXPECT_EQ(copy->capacity, v->capacity);
  EXPECT_EQ(copy->initial, v->initial);
  EXPECT_EQ(copy->cursor, 1u);
  EXPECT_NE(copy->items, v->items);
  vec_set(copy, item(9), 0);
  EXPECT_EQ(vec_get(v, 0), item(1));
  EXPECT_EQ(vec_dup(nullptr), nullptr);
  vec_free(copy);
  vec_free(v);
  vec_free(nullptr);
}

TEST(Vector, SortOrdersItems) {
  vec *v = vec_of({5, 3, 9, 1, 3, 7});
  vec_sort(v, [](const void *a, const void *b) {
    intptr_t x = *static_cast<const intptr_t *>(a), y = *static_cast<const intptr_t *>(b);
    return x < y ? -1 : x > y;
  });
  EXPECT_EQ(items_of(v), (std::vector<intptr_t>{1, 3, 3, 5, 7, 9}));
  vec_free(v);
}

TEST(VectorDeathTest, MisuseStopsNamingTheExpression) {
  EXPECT_DEATH(vec_push(nullptr, nullptr), "p.*vector");
  EXPECT_DEATH(vec_append(nullptr, nullptr), "n.*vector");
  vec *empty = vec_new_default();
  EXPECT_DEATH(vec_pop(empty), "p->count != 0.*vector");
  EXPECT_DEATH(vec_top(empty), "p->count != 0.*vector");
  vec_free(empty);
}

}  // namespace
