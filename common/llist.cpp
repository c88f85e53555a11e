#include "common/llist.h"

#include "common/alloc.h"
#include "common/osdep.h"
#include "common/vector.h"

static ll_node *node_new(void *item) {
  ll_node *n = static_cast<ll_node *>(xalloc(sizeof(ll_node)));
  n->item = item;
  return n;
}

static uint32_t count_nodes(const ll_node *n) {
  uint32_t count = 0;
  for (; n; n = n->next) count++;
  return count;
}

ll_list *ll_new() { return static_cast<ll_list *>(xalloc(sizeof(ll_list))); }

void ll_clear(ll_list *l) {
  if (!l) return;
  for (ll_node *n = l->head, *next; n; n = next) {
    next = n->next;
    xfree(n);
  }
  l->head = l->tail = nullptr;
  l->l_size = 0;
}

void ll_free(ll_list *l) {
  ll_clear(l);
  xfree(l);
}

ll_list *ll_copy(const ll_list *l) {
  if (!l) return nullptr;
  ll_list *copy = ll_new();
  for (const ll_node *n = l->head; n; n = n->next) ll_append(copy, n->item);
  return copy;
}

ll_node *ll_head(const ll_list *l) { return l ? l->head : nullptr; }
ll_node *ll_tail(const ll_list *l) { return l ? l->tail : nullptr; }
void *ll_node_item(const ll_node *n) { return n ? n->item : nullptr; }
void ll_node_set(ll_node *n, void *item) {
  if (n) n->item = item;
}
ll_node *ll_node_next(const ll_node *n) { return n ? n->next : nullptr; }
ll_node *ll_node_prev(const ll_node *n) { return n ? n->prev : nullptr; }

void ll_append(ll_list *l, void *item) { ll_insert_after(l, l->tail, item); }

void ll_prepend(ll_list *l, void *item) { ll_insert_before(l, l->head, item); }

// A null node means "past the tail": the item is appended.
void ll_insert_before(ll_list *l, ll_node *n, void *item) {
  if (!n) {
    ll_insert_after(l, l->tail, item);
    return;
  }
  ll_node *fresh = node_new(item);
  fresh->next = n;
  fresh->prev = n->prev;
  if (n->prev)
    n->prev->next = fresh;
  else
    l->head = fresh;
  n->prev = fresh;
  l->l_size++;
}

// A null node means "before the head": the item is prepended (or is the
// first of an empty list).
void ll_insert_after(ll_list *l, ll_node *n, void *item) {
  ll_node *fresh = node_new(item);
  fresh->prev = n;
  fresh->next = n ? n->next : l->head;
  if (fresh->next)
    fresh->next->prev = fresh;
  else
    l->tail = fresh;
  if (n)
    n->next = fresh;
  else
    l->head = fresh;
  l->l_size++;
}

void *ll_unlink(ll_list *l, ll_node *n) {
  if (!n) return nullptr;
  if (n->prev)
    n->prev->next = n->next;
  else
    l->head = n->next;
  if (n->next)
    n->next->prev = n->prev;
  else
    l->tail = n->prev;
  l->l_size--;
  void *item = n->item;
  xfree(n);
  return item;
}

bool ll_is_empty(const ll_list *l) { return !l || l->l_size == 0; }

uint32_t ll_size(const ll_list *l) { return l ? l->l_size : 0; }

ll_list *ll_concat(ll_list *a, ll_list *b) {
  if (!b) return a;
  if (!a) return b;
  if (b->head) {
    if (a->tail)
      a->tail->next = b->head;
    else
      a->head = b->head;
    b->head->prev = a->tail;
    a->tail = b->tail;
    a->l_size += b->l_size;
  }
  xfree(b);
  return a;
}

ll_list *ll_prepend_list(ll_list *a, ll_list *b) {
  if (!b) return a;
  if (!a) return b;
  if (b->head) {
    if (a->head)
      a->head->prev = b->tail;
    else
      a->tail = b->tail;
    b->tail->next = a->head;
    a->head = b->head;
    a->l_size += b->l_size;
  }
  xfree(b);
  return a;
}

// Cuts the list between first_kept's predecessor and first_kept: the part
// before moves to the returned list.
static ll_list *split_at(ll_list *l, ll_node *first_kept) {
  ll_list *front = ll_new();
  ll_node *last_moved = first_kept ? first_kept->prev : l->tail;
  if (!last_moved) return front;
  front->head = l->head;
  front->tail = last_moved;
  last_moved->next = nullptr;
  l->head = first_kept;
  if (first_kept)
    first_kept->prev = nullptr;
  else
    l->tail = nullptr;
  front->l_size = count_nodes(front->head);
  l->l_size = count_nodes(l->head);
  return front;
}

ll_list *ll_split_before(ll_list *l, ll_node *n) { return split_at(l, n); }

ll_list *ll_split_after(ll_list *l, ll_node *n) {
  ll_list *back = ll_new();
  if (!n || !n->next) return back;
  back->head = n->next;
  back->tail = l->tail;
  back->head->prev = nullptr;
  n->next = nullptr;
  l->tail = n;
  back->l_size = count_nodes(back->head);
  l->l_size = count_nodes(l->head);
  return back;
}

// Walks from `from` in one direction, wrapping around at the end of the list,
// until `to` has been visited. A `to` that is never met ends the walk after
// every node has been visited once. The next node is taken before the call
// so the function may unlink the node it receives.
int ll_walk(ll_list *l, ll_node *from, ll_node *to, void *context, ll_walk_fn fn, int flags) {
  if (!l || !from) return 0;
  bool backward = flags & LL_WALK_BACKWARD;
  bool nodes = flags & LL_WALK_NODES;
  uint32_t remaining = l->l_size;
  for (ll_node *n = from; n && remaining; remaining--) {
    ll_node *next = backward ? (n->prev ? n->prev : l->tail) : (n->next ? n->next : l->head);
    if (int result = fn(context, nodes ? static_cast<void *>(n) : n->item)) return result;
    if (n == to) break;
    n = next;
  }
  return 0;
}

int ll_walk_forward(ll_list *l, ll_node *from, void *context, ll_walk_fn fn) {
  return ll_walk(l, from, ll_tail(l), context, fn, 0);
}

int ll_walk_backward(ll_list *l, ll_node *from, void *context, ll_walk_fn fn) {
  return ll_walk(l, from, ll_head(l), context, fn, LL_WALK_BACKWARD);
}

int ll_walk_all(ll_list *l, void *context, ll_walk_fn fn) {
  return ll_walk(l, ll_head(l), ll_tail(l), context, fn, 0);
}

int ll_walk_all_backward(ll_list *l, void *context, ll_walk_fn fn) {
  return ll_walk(l, ll_tail(l), ll_head(l), context, fn, LL_WALK_BACKWARD);
}

vec *ll_to_vec(const ll_list *l) {
  vec *v = vec_new_default();
  for (const ll_node *n = ll_head(l); n; n = n->next) vec_push(v, n->item);
  return v;
}

void ll_sort(ll_list *l, ll_compare_fn compare) {
  if (!l || l->l_size < 2) return;
  vec *v = ll_to_vec(l);
  vec_sort(v, compare);
  OS_ASSERT(vec_size(v) == l->l_size, "llist");
  uint32_t i = 0;
  for (ll_node *n = l->head; n; n = n->next) n->item = vec_get(v, i++);
  vec_free(v);
}

void ll_merge_sorted(ll_list *l, ll_list *other, ll_node_compare_fn compare) {
  const ll_node *o = ll_head(other);
  for (ll_node *n = l->head; n && o; n = n->next) {
    for (; o && compare(o, n) < 0; o = o->next) ll_insert_before(l, n, o->item);
  }
  for (; o; o = o->next) ll_append(l, o->item);
}
