// Growable vector of untyped pointers with two iteration cursors. The vector
// owns its array, never its items.
#pragma once
#include <cstdint>

struct vec {
  uint32_t count;
  uint32_t capacity;
  uint32_t initial;
  uint32_t cursor;
  uint32_t cursor2;
  void **items;
};

// Comparison for vec_sort: receives pointers to two item slots (qsort style).
typedef int (*vec_compare_fn)(const void *a, const void *b);

vec *vec_new(uint32_t initial_capacity);
vec *vec_new_default();
void vec_free(vec *v);
vec *vec_dup(const vec *v);
uint32_t vec_push(vec *v, void *item);
void *vec_top(const vec *v);
void *vec_pop(vec *v);
uint32_t vec_size(const vec *v);
void *vec_get(const vec *v, uint32_t index);
// Stores the item at the index, first appending nulls up to it; gives the item.
void *vec_set(vec *v, void *item, uint32_t index);
int vec_find(const vec *v, const void *item);
uint32_t vec_push_unique(vec *v, void *item);
uint32_t vec_insert(vec *v, void *item, uint32_t index);
void vec_move(vec *v, uint32_t from, uint32_t to);
int vec_remove_at(vec *v, uint32_t index);
int vec_remove(vec *v, const void *item);
void vec_clear(vec *v);
uint32_t vec_append(vec *v, const vec *other);
uint32_t vec_merge_unique(vec *v, const vec *other);
void vec_rewind(vec *v);
bool vec_more(const vec *v);
void *vec_next(vec *v);
void *vec_first(vec *v);
void *vec_current(const vec *v);
void *vec_first2(vec *v);
void *vec_next2(vec *v);
void *vec_current2(const vec *v);
void vec_sort(vec *v, vec_compare_fn compare);
