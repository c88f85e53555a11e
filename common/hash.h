// Chained hash table with a bucket count fixed at creation. Keys and values
// are untyped; the table never owns them.
#pragma once
#include <cstdint>

struct vec;

typedef uint32_t (*hash_fn)(const void *key);
// Returns 0 when the two keys are equal.
typedef int (*hash_equal_fn)(const void *a, const void *b);

struct hash_entry {
  void *value;
  const void *key;
  hash_entry *next;
};

struct hash_table {
  uint32_t buckets;
  uint32_t count;
  hash_fn hash;          // default: the key value itself
  hash_equal_fn equal;   // default: identity
  hash_entry **heads;
};

typedef int (*hash_visit_fn)(void *context, const void *key, void *value);

hash_table *hash_new(uint32_t buckets, hash_fn hash, hash_equal_fn equal);
int hash_insert(hash_table *t, const void *key, void *value);
void *hash_lookup(const hash_table *t, const void *key);
void *hash_remove(hash_table *t, const void *key);
uint32_t hash_count(const hash_table *t);
void hash_clear(hash_table *t);
void hash_free(hash_table *t);
hash_table *hash_dup(const hash_table *t);
hash_table *hash_assign(hash_table *a, const hash_table *b);
vec *hash_keys(const hash_table *t);
vec *hash_values(const hash_table *t);
int hash_foreach(const hash_table *t, void *context, hash_visit_fn fn);
// acc = byte (as signed char) + 2 * acc over the text and its terminator.
uint32_t hash_string(const void *text);
// String equality for string-keyed tables (0 when equal).
int hash_string_equal(const void *a, const void *b);
