// Sets of non-negative integers. Register sets are the main users, so the
// members 0 to 31 live in one word and only larger members cost a table;
// set records are recycled because the optimiser makes and drops sets at a
// high rate.
#pragma once
#include <cstdint>

struct hash_table;
struct vec;

struct iset {
  hash_table *overflow;  // members of 32 and above (keys), created on first need
  vec *ordered;          // overflow members ascending, built for iteration; free-list link
  uint32_t bits;         // bit n: member n, for n < 32
  uint32_t iter;         // next bit iset_next looks at; 32 once the word is done
};

iset *iset_alloc();
void iset_free(iset *s);
iset *iset_dup(const iset *s);
void iset_assign(iset *a, const iset *b);
void iset_add(iset *s, uint32_t n);
bool iset_remove(iset *s, uint32_t n);
bool iset_member(const iset *s, uint32_t n);
void iset_clear(iset *s);
void iset_union(iset *a, const iset *b);
void iset_intersect(iset *a, const iset *b);
void iset_subtract(iset *a, const iset *b);
void iset_xor(iset *a, const iset *b);
bool iset_equal(const iset *a, const iset *b);
bool iset_includes(const iset *a, const iset *b);
bool iset_intersects(const iset *a, const iset *b);
bool iset_is_empty(const iset *s);
// New vector of the members ascending (items are the numbers cast to pointers).
vec *iset_to_vector(const iset *s);
// Ascending iteration; 0 means nothing is left, so it suits sets without 0.
uint32_t iset_first(iset *s);
uint32_t iset_next(iset *s);

// Bookkeeping figures: sets alive now, the most ever alive, records cached.
uint32_t iset_live_count();
uint32_t iset_peak_count();
uint32_t iset_cached_count();
