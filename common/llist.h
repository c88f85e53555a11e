// Doubly linked list of untyped items; the list owns its nodes, not the items.
#pragma once
#include <cstdint>

struct vec;

struct ll_node {
  void *item;
  ll_node *prev;
  ll_node *next;
};

struct ll_list {
  uint32_t l_size;
  ll_node *head;
  ll_node *tail;
};

// Walk callback: receives the item (or the node with LL_WALK_NODES); a
// non-zero result ends the walk.
typedef int (*ll_walk_fn)(void *context, void *item_or_node);
// Comparison for ll_sort: pointers to two item slots (qsort style).
typedef int (*ll_compare_fn)(const void *a, const void *b);
// Comparison for ll_merge_sorted: receives the two nodes.
typedef int (*ll_node_compare_fn)(const ll_node *a, const ll_node *b);

enum { LL_WALK_BACKWARD = 1, LL_WALK_NODES = 2 };

ll_list *ll_new();
void ll_clear(ll_list *l);
void ll_free(ll_list *l);
ll_list *ll_copy(const ll_list *l);
ll_node *ll_head(const ll_list *l);
ll_node *ll_tail(const ll_list *l);
void *ll_node_item(const ll_node *n);
void ll_node_set(ll_node *n, void *item);
ll_node *ll_node_next(const ll_node *n);
ll_node *ll_node_prev(const ll_node *n);
void ll_append(ll_list *l, void *item);
void ll_prepend(ll_list *l, void *item);
void ll_insert_before(ll_list *l, ll_node *n, void *item);
void ll_insert_after(ll_list *l, ll_node *n, void *item);
void *ll_unlink(ll_list *l, ll_node *n);
bool ll_is_empty(const ll_list *l);
uint32_t ll_size(const ll_list *l);
ll_list *ll_concat(ll_list *a, ll_list *b);
ll_list *ll_prepend_list(ll_list *a, ll_list *b);
ll_list *ll_split_before(ll_list *l, ll_node *n);
ll_list *ll_split_after(ll_list *l, ll_node *n);
int ll_walk(ll_list *l, ll_node *from, ll_node *to, void *context, ll_walk_fn fn, int flags);
int ll_walk_forward(ll_list *l, ll_node *from, void *context, ll_walk_fn fn);
int ll_walk_backward(ll_list *l, ll_node *from, void *context, ll_walk_fn fn);
int ll_walk_all(ll_list *l, void *context, ll_walk_fn fn);
int ll_walk_all_backward(ll_list *l, void *context, ll_walk_fn fn);
vec *ll_to_vec(const ll_list *l);
void ll_sort(ll_list *l, ll_compare_fn compare);
void ll_merge_sorted(ll_list *l, ll_list *other, ll_node_compare_fn compare);
