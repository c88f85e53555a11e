#include "common/vector.h"

#include <cstring>

#include "common/alloc.h"
#include "common/osdep.h"

static const char MODULE[] = "vector";

vec *vec_new(uint32_t initial_capacity) {
  vec *v = static_cast<vec *>(xalloc(sizeof(vec)));
  v->initial = initial_capacity;
  return v;
}

vec *vec_new_default() { return vec_new(10); }

void vec_free(vec *v) {
  if (!v) return;
  xfree(v->items);
  xfree(v);
}

vec *vec_dup(const vec *v) {
  if (!v) return nullptr;
  vec *copy = static_cast<vec *>(xalloc(sizeof(vec)));
  *copy = *v;
  copy->items = nullptr;
  if (v->capacity) {
    copy->items = static_cast<void **>(xalloc(v->capacity * sizeof(void *)));
    if (v->count) memcpy(copy->items, v->items, v->count * sizeof(void *));
  }
  return copy;
}

// Makes room for one more item: the capacity doubles, starting from the
// initial capacity (10 when the vector was made with 0, which could never grow).
static void vec_grow(vec *v) {
  if (v->count < v->capacity) return;
  uint32_t capacity = v->capacity ? v->capacity * 2 : (v->initial ? v->initial : 10);
  void **items = static_cast<void **>(xalloc(size_t(capacity) * sizeof(void *)));
  if (v->count) memcpy(items, v->items, v->count * sizeof(void *));
  xfree(v->items);
  v->items = items;
  v->capacity = capacity;
}

uint32_t vec_push(vec *v, void *item) {
  OS_ASSERT_NAMED(v, "p", MODULE);
  vec_grow(v);
  v->items[v->count] = item;
  return v->count++;
}

void *vec_top(const vec *v) {
  OS_ASSERT_NAMED(v && v->count, "p->count != 0", MODULE);
  return v->items[v->count - 1];
}

void *vec_pop(vec *v) {
  OS_ASSERT_NAMED(v && v->count, "p->count != 0", MODULE);
  void *item = v->items[--v->count];
  v->items[v->count] = nullptr;
  return item;
}

uint32_t vec_size(const vec *v) { return v ? v->count : 0; }

void *vec_get(const vec *v, uint32_t index) {
  if (!v || index >= v->count) return nullptr;
  return v->items[index];
}

void *vec_set(vec *v, void *item, uint32_t index) {
  OS_ASSERT_NAMED(v, "p", MODULE);
  while (v->count <= index) vec_push(v, nullptr);
  v->items[index] = item;
  return item;
}

int vec_find(const vec *v, const void *item) {
  if (!v) return -1;
  for (uint32_t i = 0; i < v->count; i++)
    if (v->items[i] == item) return int(i);
  return -1;
}

uint32_t vec_push_unique(vec *v, void *item) {
  int index = vec_find(v, item);
  return index >= 0 ? uint32_t(index) : vec_push(v, item);
}

uint32_t vec_insert(vec *v, void *item, uint32_t index) {
  OS_ASSERT_NAMED(v, "p", MODULE);
  if (index > v->count) index = v->count;
  vec_grow(v);
  if (v->cursor >= index) v->cursor++;
  memmove(v->items + index + 1, v->items + index, (v->count - index) * sizeof(void *));
  v->items[index] = item;
  v->count++;
  return index;
}

void vec_move(vec *v, uint32_t from, uint32_t to) {
  if (!v || from >= v->count || to >= v->count || from == to) return;
  void *item = v->items[from];
  if (from < to)
    memmove(v->items + from, v->items + from + 1, (to - from) * sizeof(void *));
  else
    memmove(v->items + to + 1, v->items + to, (from - to) * sizeof(void *));
  v->items[to] = item;
}

int vec_remove_at(vec *v, uint32_t index) {
  if (!v || index >= v->count) return 0;
  v->count--;
  if (index < v->cursor) v->cursor--;
  memmove(v->items + index, v->items + index + 1, (v->count - index) * sizeof(void *));
  v->items[v->count] = nullptr;
  return 1;
}

int vec_remove(vec *v, const void *item) {
  int index = vec_find(v, item);
  return index >= 0 ? vec_remove_at(v, uint32_t(index)) : 0;
}

void vec_clear(vec *v) {
  if (v) v->count = 0;
}

uint32_t vec_append(vec *v, const vec *other) {
  OS_ASSERT_NAMED(v, "n", MODULE);
  uint32_t n = vec_size(other);
  for (uint32_t i = 0; i < n; i++) vec_push(v, other->items[i]);
  return n;
}

uint32_t vec_merge_unique(vec *v, const vec *other) {
  OS_ASSERT_NAMED(v, "n", MODULE);
  uint32_t n = vec_size(other);
  for (uint32_t i = 0; i < n; i++) vec_push_unique(v, other->items[i]);
  return n;
}

void vec_rewind(vec *v) {
  if (v) v->cursor = 0;
}

bool vec_more(const vec *v) { return v && v->cursor < v->count; }

void *vec_next(vec *v) {
  if (!vec_more(v)) return nullptr;
  return v->items[v->cursor++];
}

void *vec_first(vec *v) {
  vec_rewind(v);
  return vec_next(v);
}

void *vec_current(const vec *v) { return vec_more(v) ? v->items[v->cursor] : nullptr; }

void *vec_first2(vec *v) {
  if (!v) return nullptr;
  v->cursor2 = 0;
  return vec_next2(v);
}

void *vec_next2(vec *v) {
  if (!v || v->cursor2 >= v->count) return nullptr;
  return v->items[v->cursor2++];
}

void *vec_current2(const vec *v) {
  if (!v || v->cursor2 >= v->count) return nullptr;
  return v->items[v->cursor2];
}

void vec_sort(vec *v, vec_compare_fn compare) {
  if (!v || v->count < 2) return;
  os_qsort(v->items, v->count, sizeof(void *), compare);
}
