#include "common/hash.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "common/vector.h"

namespace {

void *ptr(intptr_t n) { return reinterpret_cast<void *>(n); }

std::vector<intptr_t> as_numbers(vec *v) {
  std::vector<intptr_t> out;
  for (uint32_t i = 0; i < vec_size(v); i++) out.push_back(reinterpret_cast<intptr_t>(vec_get(v, i)));
  vec_free(v);
  return out;
}

TEST(Hash, InsertKeepsTheFirstValueAndRemoveReportsAbsence) {
  hash_table *t = hash_new(7, nullptr, nullptr);
  EXPECT_EQ(hash_insert(t, ptr(3), ptr(30)), 1);
  EXPECT_EQ(hash_insert(t, ptr(3), ptr(31)), 0);
  EXPECT_EQ(hash_lookup(t, ptr(3)), ptr(30));
  EXPECT_EQ(hash_count(t), 1u);
  EXPECT_EQ(hash_remove(t, ptr(4)), nullptr);
  EXPECT_EQ(hash_remove(t, ptr(3)), ptr(30));
  EXPECT_EQ(hash_lookup(t, ptr(3)), nullptr);
  EXPECT_EQ(hash_count(t), 0u);
  hash_free(t);
  hash_free(nullptr);
}

TEST(Hash, KeysAndValuesComeBucketByBucketInInsertionOrder) {
  // With the identity hash and 4 buckets: 5, 1 and 9 share bucket 1.
  hash_table *t = hash_new(4, nullptr, nullptr);
  for (intptr_t k : {5, 1, 4, 9, 6}) hash_insert(t, ptr(k), ptr(k * 10));
  EXPECT_EQ(as_numbers(hash_keys(t)), (std::vector<intptr_t>{4, 5, 1, 9, 6}));
  EXPECT_EQ(as_numbers(hash_values(t)), (std::vector<intptr_t>{40, 50, 10, 90, 60}));
  hash_remove(t, ptr(1));  // from the middle of a chain
  EXPECT_EQ(as_numbers(hash_keys(t)), (std::vector<intptr_t>{4, 5, 9, 6}));
  hash_free(t);
}

TEST(Hash, ForeachStopsAtTheFirstNonZeroResult) {
  hash_table *t = hash_new(4, nullptr, nullptr);
  for (intptr_t k : {0, 1, 2, 3}) hash_insert(t, ptr(k), ptr(k));
  struct visit {
    std::vector<intptr_t> seen;
  } v;
  int result = hash_foreach(t, &v, [](void *context, const void *key, void *) {
    auto *seen = &static_cast<visit *>(context)->seen;
    seen->push_back(reinterpret_cast<intptr_t>(key));
    return key == ptr(2) ? 77 : 0;
  });
  EXPECT_EQ(result, 77);
  EXPECT_EQ(v.seen, (std::vector<intptr_t>{0, 1, 2}));

  // A visitor may remove the entry it is given.
  result = hash_foreach(t, t, [](void *context, const void *key, void *) {
    hash_remove(static_cast<hash_table *>(context), key);
    return 0;
  });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(hash_count(t), 0u);
  hash_free(t);
}

TEST(Hash, ReleasedEntriesAreReusedByAnyTable) {
  hash_table *a = hash_new(1, nullptr, nullptr);
  hash_table *b = hash_new(1, nullptr, nullptr);
  hash_insert(a, ptr(1), ptr(1));
  hash_entry *released = a->heads[0];
  hash_remove(a, ptr(1));
  hash_insert(b, ptr(2), ptr(2));
  EXPECT_EQ(b->heads[0], released);
  EXPECT_EQ(b->heads[0]->next, nullptr);
  hash_free(a);
  hash_free(b);
}

TEST(Hash, StringKeysCompareByText) {
  hash_table *t = hash_new(13, hash_string, hash_string_equal);
  std::string key = "alpha";
  hash_insert(t, "alpha", ptr(1));
  EXPECT_EQ(hash_lookup(t, key.c_str()), ptr(1));
  EXPECT_EQ(hash_insert(t, key.c_str(), ptr(2)), 0);
  EXPECT_EQ(hash_lookup(t, "beta"), nullptr);
  hash_free(t);
}

TEST(Hash, StringHashDoublesAndAddsSignedBytes) {
  struct {
    const char *text;
    uint32_t hash;
  } cases[] = {
      {"", 0},
      {"a", 194},           // 97, then the terminator doubles it
      {"ab", 584},          // (98 + 2 * 97) * 2
      {"\xff", 0xfffffffe},  // the byte counts as -1
  };
  for (const auto &c : cases) EXPECT_EQ(hash_string(c.text), c.hash) << '"' << c.text << '"';
}

TEST(Hash, DupKeepsBucketsChainsAndFunctions) {
  hash_table *t = hash_new(3, hash_string, hash_string_equal);
  for (const char *k : {"a", "b", "c", "d", "e"}) hash_insert(t, k, const_cast<char *>(k));
  hash_table *copy = hash_dup(t);
  EXPECT_EQ(copy->buckets, 3u);
  EXPECT_EQ(copy->hash, t->hash);
  EXPECT_EQ(copy->equal, t->equal);
  EXPECT_EQ(hash_count(copy), 5u);
  EXPECT_EQ(as_numbers(hash_keys(copy)), as_numbers(hash_keys(t)));
  hash_remove(copy, "a");
  EXPECT_NE(hash_lookup(t, "a"), nullptr);
  EXPECT_EQ(hash_dup(nullptr), nullptr);
  hash_free(copy);
  hash_free(t);
}

TEST(Hash, AssignTakesTheOtherTablesPairsAndBuckets) {
  hash_table *b = hash_new(5, nullptr, nullptr);
  for (intptr_t k : {1, 6, 2}) hash_insert(b, ptr(k), ptr(k + 100));

  hash_table *a = hash_new(2, nullptr, nullptr);
  hash_insert(a, ptr(9), ptr(9));
  EXPECT_EQ(hash_assign(a, b), a);
  EXPECT_EQ(a->buckets, 5u);
  EXPECT_EQ(hash_count(a), 3u);
  EXPECT_EQ(hash_lookup(a, ptr(9)), nullptr);
  EXPECT_EQ(hash_lookup(a, ptr(6)), ptr(106));
  EXPECT_EQ(as_numbers(hash_keys(a)), as_numbers(hash_keys(b)));

  hash_table *fresh = hash_assign(nullptr, b);
  ASSERT_NE(fresh, nullptr);
  EXPECT_EQ(hash_count(fresh), 3u);
  EXPECT_EQ(hash_assign(fresh, nullptr), nullptr);  // frees it
  EXPECT_EQ(hash_assign(a, a), a);
  EXPECT_EQ(hash_count(a), 3u);
  hash_free(a);
  hash_free(b);
}

TEST(HashDeathTest, ZeroBucketsStopsNamingTheExpression) {
  EXPECT_DEATH(hash_new(0, nullptr, nullptr), "size != 0.*hash");
}

}  // namespace
