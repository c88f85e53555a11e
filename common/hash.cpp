#include "common/hash.h"

#include <cstdint>
#include <cstring>

#include "common/alloc.h"
#include "common/osdep.h"
#include "common/vector.h"

// Released entries of every table, reused before new ones are allocated.
static hash_entry *free_entries;

static uint32_t hash_identity(const void *key) { return uint32_t(uintptr_t(key)); }

static int hash_same(const void *a, const void *b) { return a == b ? 0 : 1; }

static hash_entry *entry_new(const void *key, void *value) {
  hash_entry *e = free_entries;
  if (e)
    free_entries = e->next;
  else
    e = static_cast<hash_entry *>(xalloc(sizeof(hash_entry)));
  e->key = key;
  e->value = value;
  e->next = nullptr;
  return e;
}

static void entry_release(hash_entry *e) {
  e->key = nullptr;
  e->value = nullptr;
  e->next = free_entries;
  free_entries = e;
}

static hash_entry **bucket_of(const hash_table *t, const void *key) {
  return &t->heads[t->hash(key) % t->buckets];
}

static hash_entry **heads_new(uint32_t buckets) {
  return static_cast<hash_entry **>(xalloc(size_t(buckets) * sizeof(hash_entry *)));
}

hash_table *hash_new(uint32_t buckets, hash_fn hash, hash_equal_fn equal) {
  OS_ASSERT_NAMED(buckets != 0, "size != 0", "hash");
  hash_table *t = static_cast<hash_table *>(xalloc(sizeof(hash_table)));
  t->buckets = buckets;
  t->hash = hash ? hash : hash_identity;
  t->equal = equal ? equal : hash_same;
  t->heads = heads_new(buckets);
  return t;
}

int hash_insert(hash_table *t, const void *key, void *value) {
  hash_entry **link = bucket_of(t, key);
  for (; *link; link = &(*link)->next)
    if (t->equal((*link)->key, key) == 0) return 0;
  *link = entry_new(key, value);
  t->count++;
  return 1;
}

void *hash_lookup(const hash_table *t, const void *key) {
  if (!t) return nullptr;
  for (hash_entry *e = *bucket_of(t, key); e; e = e->next)
    if (t->equal(e->key, key) == 0) return e->value;
  return nullptr;
}

void *hash_remove(hash_table *t, const void *key) {
  if (!t) return nullptr;
  for (hash_entry **link = bucket_of(t, key); *link; link = &(*link)->next) {
    hash_entry *e = *link;
    if (t->equal(e->key, key) != 0) continue;
    void *value = e->value;
    *link = e->next;
    entry_release(e);
    t->count--;
    return value;
  }
  return nullptr;
}

uint32_t hash_count(const hash_table *t) { return t ? t->count : 0; }

void hash_clear(hash_table *t) {
  if (!t) return;
  for (uint32_t b = 0; b < t->buckets; b++) {
    while (hash_entry *e = t->heads[b]) {
      t->heads[b] = e->next;
      entry_release(e);
    }
  }
  t->count = 0;
}

void hash_free(hash_table *t) {
  if (!t) return;
  hash_clear(t);
  xfree(t->heads);
  xfree(t);
}

// Copies b's chains into a's (empty) buckets, keeping bucket and chain order.
static void copy_entries(hash_table *a, const hash_table *b) {
  for (uint32_t i = 0; i < b->buckets; i++) {
    hash_entry **tail = &a->heads[i];
    for (const hash_entry *e = b->heads[i]; e; e = e->next) {
      *tail = entry_new(e->key, e->value);
      tail = &(*tail)->next;
    }
  }
  a->count = b->count;
}

hash_table *hash_dup(const hash_table *t) {
  if (!t) return nullptr;
  hash_table *copy = hash_new(t->buckets, t->hash, t->equal);
  copy_entries(copy, t);
  return copy;
}

hash_table *hash_assign(hash_table *a, const hash_table *b) {
  if (!b) {
    hash_free(a);
    return nullptr;
  }
  if (!a) return hash_dup(b);
  if (a == b) return a;
  hash_clear(a);
  if (a->buckets != b->buckets) {
    xfree(a->heads);
    a->buckets = b->buckets;
    a->heads = heads_new(b->buckets);
  }
  copy_entries(a, b);
  return a;
}

static vec *collect(const hash_table *t, bool keys) {
  vec *v = vec_new_default();
  if (!t) return v;
  for (uint32_t b = 0; b < t->buckets; b++)
    for (const hash_entry *e = t->heads[b]; e; e = e->next)
      vec_push(v, keys ? const_cast<void *>(e->key) : e->value);
  return v;
}

vec *hash_keys(const hash_table *t) { return collect(t, true); }

vec *hash_values(const hash_table *t) { return collect(t, false); }

int hash_foreach(const hash_table *t, void *context, hash_visit_fn fn) {
  if (!t) return 0;
  // The next entry is taken first so the visitor may remove the current one.
  for (uint32_t b = 0; b < t->buckets; b++) {
    for (const hash_entry *e = t->heads[b], *next; e; e = next) {
      next = e->next;
      if (int result = fn(context, e->key, e->value)) return result;
    }
  }
  return 0;
}

uint32_t hash_string(const void *text) {
  const signed char *p = static_cast<const signed char *>(text);
  uint32_t acc = 0;
  if (!p) return 0;
  do acc = uint32_t(int32_t(*p)) + 2 * acc;
  while (*p++);
  return acc;
}

int hash_string_equal(const void *a, const void *b) {
  return strcmp(static_cast<const char *>(a), static_cast<const char *>(b));
}
