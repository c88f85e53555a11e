#include "codegen/model/iset.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "common/alloc.h"
#include "common/hash.h"
#include "common/vector.h"

namespace {

constexpr uint32_t OVERFLOW_BUCKETS = 13;
constexpr uint32_t CACHE_LIMIT = 8192;

// Freed records, reused before new ones are made: selection makes and drops
// sets by the million, so this is a plain array and not a container whose
// guard and bookkeeping would cost more than the set itself.
iset *cached[CACHE_LIMIT];
uint32_t cached_count;
uint32_t live_sets;
uint32_t peak_sets;

// Every node of every statement keeps its sets until the program is
// written, so records come from blocks: a malloc chunk each would add a
// third to the size. A record is never given back; one freed while the
// cache is full waits on the spare list.
constexpr uint32_t BLOCK_SETS = 4096;
iset *block;
uint32_t block_left;
std::vector<iset *> &spare() {
  static std::vector<iset *> &list = *new std::vector<iset *>;
  return list;
}

iset *new_record() {
  if (!spare().empty()) {
    iset *s = spare().back();
    spare().pop_back();
    return s;
  }
  if (!block_left) {
    block = static_cast<iset *>(xalloc(sizeof(iset) * BLOCK_SETS));
    block_left = BLOCK_SETS;
  }
  iset *s = block++;
  block_left--;
  *s = iset{};
  return s;
}

void *as_key(uint32_t n) { return reinterpret_cast<void *>(uintptr_t(n)); }
uint32_t as_number(const void *key) { return uint32_t(reinterpret_cast<uintptr_t>(key)); }

bool has_overflow(const iset *s) { return s->overflow && s->overflow->count != 0; }

void drop_ordered(iset *s) {
  if (!s->ordered) return;
  vec_free(s->ordered);
  s->ordered = nullptr;
}

// The overflow members ascending.
std::vector<uint32_t> sorted_overflow(const iset *s) {
  std::vector<uint32_t> out;
  if (!has_overflow(s)) return out;
  for (uint32_t b = 0; b < s->overflow->buckets; b++)
    for (const hash_entry *e = s->overflow->heads[b]; e; e = e->next) out.push_back(as_number(e->key));
  std::sort(out.begin(), out.end());
  return out;
}

void overflow_add(iset *s, uint32_t n) {
  if (!s->overflow) s->overflow = hash_new(OVERFLOW_BUCKETS, nullptr, nullptr);
  hash_insert(s->overflow, as_key(n), as_key(n));
}

}  // namespace

iset *iset_alloc() {
  iset *s;
  if (cached_count) {
    s = cached[--cached_count];
    s->bits = 0;
  } else {
    s = new_record();
    s->bits = 0;
  }
  if (++live_sets > peak_sets) peak_sets = live_sets;
  return s;
}

void iset_free(iset *s) {
  if (!s) return;
  drop_ordered(s);
  s->iter = 0;
  live_sets--;
  if (cached_count >= CACHE_LIMIT) {
    hash_free(s->overflow);
    s->overflow = nullptr;
    spare().push_back(s);
    return;
  }
  if (has_overflow(s)) hash_clear(s->overflow);
  cached[cached_count++] = s;
}

iset *iset_dup(const iset *s) {
  iset *d = iset_alloc();
  iset_assign(d, s);
  return d;
}

void iset_assign(iset *a, const iset *b) {
  if (a == b) return;
  a->bits = b->bits;
  drop_ordered(a);
  if (has_overflow(b))
    a->overflow = hash_assign(a->overflow, b->overflow);
  else
    hash_clear(a->overflow);
}

void iset_add(iset *s, uint32_t n) {
  if (n < 32)
    s->bits |= 1u << n;
  else
    overflow_add(s, n);
}

bool iset_remove(iset *s, uint32_t n) {
  if (n < 32) {
    bool was = s->bits & (1u << n);
    s->bits &= ~(1u << n);
    return was;
  }
  return s->overflow && hash_remove(s->overflow, as_key(n)) != nullptr;
}

bool iset_member(const iset *s, uint32_t n) {
  if (!s) return false;
  if (n < 32) return s->bits & (1u << n);
  return s->overflow && hash_lookup(s->overflow, as_key(n)) != nullptr;
}

void iset_clear(iset *s) {
  s->bits = 0;
  if (s->overflow) {
    hash_free(s->overflow);
    s->overflow = nullptr;
  }
  drop_ordered(s);
}

void iset_union(iset *a, const iset *b) {
  if (!b || a == b) return;
  a->bits |= b->bits;
  if (!has_overflow(b)) return;
  for (uint32_t n : sorted_overflow(b)) overflow_add(a, n);
}

void iset_intersect(iset *a, const iset *b) {
  if (a == b) return;
  a->bits &= b ? b->bits : 0;
  if (!b || !b->overflow || hash_count(b->overflow) == 0) {
    hash_free(a->overflow);
    a->overflow = nullptr;
    return;
  }
  for (uint32_t n : sorted_overflow(a))
    if (!hash_lookup(b->overflow, as_key(n))) hash_remove(a->overflow, as_key(n));
}

void iset_subtract(iset *a, const iset *b) {
  if (!b) return;
  if (a == b) {
    iset_clear(a);
    return;
  }
  a->bits &= ~b->bits;
  if (!a->overflow) return;
  for (uint32_t n : sorted_overflow(b)) hash_remove(a->overflow, as_key(n));
}

void iset_xor(iset *a, const iset *b) {
  if (!b) return;
  if (a == b) {
    iset_clear(a);
    return;
  }
  a->bits ^= b->bits;
  for (uint32_t n : sorted_overflow(b))
    if (!(a->overflow && hash_remove(a->overflow, as_key(n)))) overflow_add(a, n);
}

bool iset_equal(const iset *a, const iset *b) {
  if (a->bits != b->bits) return false;
  return sorted_overflow(a) == sorted_overflow(b);
}

bool iset_includes(const iset *a, const iset *b) {
  if (!b) return true;
  if ((a->bits & b->bits) != b->bits) return false;
  for (uint32_t n : sorted_overflow(b))
    if (!iset_member(a, n)) return false;
  return true;
}

bool iset_intersects(const iset *a, const iset *b) {
  if (!a || !b) return false;
  if (a->bits & b->bits) return true;
  if (!has_overflow(a) || !has_overflow(b)) return false;
  const iset *small = a->overflow->count <= b->overflow->count ? a : b;
  const iset *large = small == a ? b : a;
  for (uint32_t n : sorted_overflow(small))
    if (hash_lookup(large->overflow, as_key(n))) return true;
  return false;
}

bool iset_is_empty(const iset *s) { return !s || (s->bits == 0 && !has_overflow(s)); }

vec *iset_to_vector(const iset *s) {
  vec *v = vec_new_default();
  if (!s) return v;
  for (uint32_t n = 0; n < 32; n++)
    if (s->bits & (1u << n)) vec_push(v, as_key(n));
  for (uint32_t n : sorted_overflow(s)) vec_push(v, as_key(n));
  return v;
}

uint32_t iset_first(iset *s) {
  s->iter = 0;
  drop_ordered(s);
  return iset_next(s);
}

uint32_t iset_next(iset *s) {
  while (s->iter < 32) {
    uint32_t n = s->iter++;
    if (s->bits & (1u << n)) return n;
  }
  if (!s->ordered) {
    s->ordered = vec_new_default();
    for (uint32_t n : sorted_overflow(s)) vec_push(s->ordered, as_key(n));
  }
  uint32_t index = s->iter - 32;
  if (index >= vec_size(s->ordered)) return 0;
  s->iter++;
  return as_number(vec_get(s->ordered, index));
}

uint32_t iset_live_count() { return live_sets; }
uint32_t iset_peak_count() { return peak_sets; }
uint32_t iset_cached_count() { return cached_count; }
