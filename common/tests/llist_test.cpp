#include "common/llist.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "common/vector.h"

namespace {

void *item(intptr_t n) { return reinterpret_cast<void *>(n); }
intptr_t number(const void *p) { return reinterpret_cast<intptr_t>(p); }

ll_list *list_of(std::initializer_list<intptr_t> values) {
  ll_list *l = ll_new();
  for (intptr_t n : values) ll_append(l, item(n));
  return l;
}

ll_node *node_at(ll_list *l, int position) {  // 1-based
  ll_node *n = ll_head(l);
  while (--position > 0) n = ll_node_next(n);
  return n;
}

// The items from the head, checked against the links back from the tail and
// against l_size, so a broken link shows.
std::vector<intptr_t> items_of(const ll_list *l) {
  std::vector<intptr_t> forward, backward;
  for (ll_node *n = ll_head(l); n; n = ll_node_next(n)) forward.push_back(number(ll_node_item(n)));
  for (ll_node *n = ll_tail(l); n; n = ll_node_prev(n)) backward.insert(backward.begin(), number(ll_node_item(n)));
  EXPECT_EQ(forward, backward);
  EXPECT_EQ(forward.size(), ll_size(l));
  return forward;
}

struct walk_log {
  std::vector<intptr_t> seen;
  intptr_t stop_at = -1;
};

int record(void *context, void *x) {
  auto *log = static_cast<walk_log *>(context);
  log->seen.push_back(number(x));
  return number(x) == log->stop_at ? 99 : 0;
}

TEST(LinkedList, WalksFollowDirectionAndWrapAround) {
  struct {
    int from, to;  // positions, 0 for none
    int flags;
    std::vector<intptr_t> expected;
  } cases[] = {
      {3, 5, 0, {3, 4, 5}},
      {4, 2, 0, {4, 5, 1, 2}},
      {2, 4, LL_WALK_BACKWARD, {2, 1, 5, 4}},
      {3, 3, 0, {3}},
      {1, 0, 0, {1, 2, 3, 4, 5}},  // an end that is never met: one lap
  };
  for (const auto &c : cases) {
    ll_list *l = list_of({1, 2, 3, 4, 5});
    walk_log log;
    ll_node *to = c.to ? node_at(l, c.to) : nullptr;
    EXPECT_EQ(ll_walk(l, node_at(l, c.from), to, &log, record, c.flags), 0);
    EXPECT_EQ(log.seen, c.expected) << c.from << " to " << c.to;
    ll_free(l);
  }
}

TEST(LinkedList, WalkHelpersAndEarlyStop) {
  ll_list *l = list_of({1, 2, 3, 4, 5});
  walk_log forward, backward, all, all_back, stopped;
  ll_walk_forward(l, node_at(l, 3), &forward, record);
  ll_walk_backward(l, node_at(l, 3), &backward, record);
  ll_walk_all(l, &all, record);
  ll_walk_all_backward(l, &all_back, record);
  EXPECT_EQ(forward.seen, (std::vector<intptr_t>{3, 4, 5}));
  EXPECT_EQ(backward.seen, (std::vector<intptr_t>{3, 2, 1}));
  EXPECT_EQ(all.seen, (std::vector<intptr_t>{1, 2, 3, 4, 5}));
  EXPECT_EQ(all_back.seen, (std::vector<intptr_t>{5, 4, 3, 2, 1}));

  stopped.stop_at = 2;
  EXPECT_EQ(ll_walk_all(l, &stopped, record), 99);
  EXPECT_EQ(stopped.seen, (std::vector<intptr_t>{1, 2}));

  // With LL_WALK_NODES the function receives the nodes.
  std::vector<ll_node *> nodes;
  ll_walk(l, ll_head(l), ll_tail(l), &nodes,
          [](void *context, void *n) {
            static_cast<std::vector<ll_node *> *>(context)->push_back(static_cast<ll_node *>(n));
            return 0;
          },
          LL_WALK_NODES);
  ASSERT_EQ(nodes.size(), 5u);
  EXPECT_EQ(nodes[0], ll_head(l));
  EXPECT_EQ(nodes[4], ll_tail(l));
  ll_free(l);

  ll_list *empty = ll_new();
  walk_log none;
  EXPECT_EQ(ll_walk_all(empty, &none, record), 0);
  EXPECT_TRUE(none.seen.empty());
  ll_free(empty);
}

TEST(LinkedList, WalkFunctionMayUnlinkTheNodeItIsGiven) {
  ll_list *l = list_of({1, 2, 3, 4});
  ll_walk(l, ll_head(l), ll_tail(l), l,
          [](void *context, void *n) {
            auto *node = static_cast<ll_node *>(n);
            if (number(ll_node_item(node)) % 2 == 0) ll_unlink(static_cast<ll_list *>(context), node);
            return 0;
          },
          LL_WALK_NODES);
  EXPECT_EQ(items_of(l), (std::vector<intptr_t>{1, 3}));
  ll_free(l);
}

TEST(LinkedList, InsertionsAndUnlinkKeepHeadAndTail) {
  ll_list *l = ll_new();
  EXPECT_TRUE(ll_is_empty(l));
  ll_append(l, item(2));
  ll_prepend(l, item(1));
  ll_insert_after(l, ll_tail(l), item(4));
  ll_insert_before(l, ll_tail(l), item(3));
  ll_insert_before(l, ll_head(l), item(0));
  EXPECT_EQ(items_of(l), (std::vector<intptr_t>{0, 1, 2, 3, 4}));
  EXPECT_EQ(ll_unlink(l, ll_head(l)), item(0));
  EXPECT_EQ(ll_unlink(l, ll_tail(l)), item(4));
  EXPECT_EQ(ll_unlink(l, node_at(l, 2)), item(2));
  EXPECT_EQ(items_of(l), (std::vector<intptr_t>{1, 3}));
  ll_node_set(ll_head(l), item(7));
  EXPECT_EQ(items_of(l), (std::vector<intptr_t>{7, 3}));
  ll_clear(l);
  EXPECT_TRUE(ll_is_empty(l));
  EXPECT_EQ(ll_head(l), nullptr);
  EXPECT_EQ(ll_tail(l), nullptr);
  ll_free(l);
}

TEST(LinkedList, ConcatAndPrependListWithEmptySides) {
  struct {
    std::initializer_list<intptr_t> a, b;
    std::vector<intptr_t> concat, prepend;
  } cases[] = {
      {{1, 2}, {3, 4}, {1, 2, 3, 4}, {3, 4, 1, 2}},
      {{}, {3, 4}, {3, 4}, {3, 4}},
      {{1, 2}, {}, {1, 2}, {1, 2}},
      {{}, {}, {}, {}},
  };
  for (const auto &c : cases) {
    ll_list *a = list_of(c.a);
    EXPECT_EQ(ll_concat(a, list_of(c.b)), a);
    EXPECT_EQ(items_of(a), c.concat);
    ll_free(a);
    a = list_of(c.a);
    EXPECT_EQ(ll_prepend_list(a, list_of(c.b)), a);
    EXPECT_EQ(items_of(a), c.prepend);
    ll_free(a);
  }
}

TEST(LinkedList, SplitsMoveTheNodesAndRecountSizes) {
  ll_list *l = list_of({1, 2, 3, 4, 5});
  ll_list *front = ll_split_before(l, node_at(l, 3));
  EXPECT_EQ(items_of(front), (std::vector<intptr_t>{1, 2}));
  EXPECT_EQ(items_of(l), (std::vector<intptr_t>{3, 4, 5}));
  ll_list *back = ll_split_after(l, ll_head(l));
  EXPECT_EQ(items_of(back), (std::vector<intptr_t>{4, 5}));
  EXPECT_EQ(items_of(l), (std::vector<intptr_t>{3}));
  ll_list *nothing = ll_split_before(l, ll_head(l));
  EXPECT_TRUE(ll_is_empty(nothing));
  EXPECT_EQ(items_of(l), (std::vector<intptr_t>{3}));
  ll_list *nothing_after = ll_split_after(l, ll_tail(l));
  EXPECT_TRUE(ll_is_empty(nothing_after));
  for (ll_list *x : {l, front, back, nothing, nothing_after}) ll_free(x);
}

int compare_items(const void *a, const void *b) {
  intptr_t x = *static_cast<const intptr_t *>(a), y = *static_cast<const intptr_t *>(b);
  return x < y ? -1 : x > y;
}

TEST(LinkedList, SortRewritesItemsInPlace) {
  ll_list *l = list_of({4, 1, 3, 1, 2});
  ll_node *head = ll_head(l);
  ll_sort(l, compare_items);
  EXPECT_EQ(items_of(l), (std::vector<intptr_t>{1, 1, 2, 3, 4}));
  EXPECT_EQ(ll_head(l), head);
  ll_free(l);

  ll_list *one = list_of({9});
  ll_sort(one, [](const void *, const void *) -> int {
    ADD_FAILURE() << "a one-node list needs no comparison";
    return 0;
  });
  ll_free(one);
}

TEST(LinkedList, MergeSortedInsertsInOrder) {
  ll_list *l = list_of({2, 4, 6});
  ll_list *other = list_of({1, 4, 5, 7, 8});
  ll_merge_sorted(l, other, [](const ll_node *a, const ll_node *b) {
    return compare_items(&a->item, &b->item);
  });
  EXPECT_EQ(items_of(l), (std::vector<intptr_t>{1, 2, 4, 4, 5, 6, 7, 8}));
  EXPECT_EQ(items_of(other), (std::vector<intptr_t>{1, 4, 5, 7, 8}));
  ll_free(other);
  ll_free(l);
}

TEST(LinkedList, CopyAndVectorHoldTheSameItems) {
  ll_list *l = list_of({1, 2, 3});
  ll_list *copy = ll_copy(l);
  EXPECT_NE(ll_head(copy), ll_head(l));
  EXPECT_EQ(items_of(copy), (std::vector<intptr_t>{1, 2, 3}));
  vec *v = ll_to_vec(l);
  ASSERT_EQ(vec_size(v), 3u);
  EXPECT_EQ(vec_get(v, 2), item(3));
  vec_free(v);
  ll_free(copy);
  ll_free(l);
}

}  // namespace
