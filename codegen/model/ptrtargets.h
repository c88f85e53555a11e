// Pointer-target sets: what each pointer may point to. Every symbol has at
// most one set; a set's targets are the sets of the target symbols, so a set
// reached at depth n is what n indirections may reach. Assignments record
// pairs, and propagation joins targets along them until nothing changes.
#pragma once
#include <cstdint>

struct iset;
struct symbol;
struct vec;
typedef iset regset;

struct ptr_targets {
  symbol *owner;          // the symbol whose set it is; null for a made-up union
  vec *targets;           // ptr_targets* of the target symbols
  uint32_t class_bits;    // memory classes of the targets (the emitter's)
  uint32_t has_targets;   // set by propagation
  uint32_t max_size;      // largest type size among the targets
  regset *regs;           // registers used by target functions
  bool listed;            // in the program's list of sets
  ptr_targets *level_copy;  // copy used from interrupt levels
};

// The symbol's set, made empty on first use.
ptr_targets *sym_ptr_targets(symbol *s);
// A set of its own, owned by nobody (unions of alternatives).
ptr_targets *ptr_targets_new(symbol *owner);
// Adds a target; true when it was new.
bool ptr_targets_add(ptr_targets *set, ptr_targets *target);
bool ptr_targets_contains(const ptr_targets *set, const ptr_targets *target);
// New vector of the sets reachable from the set at that depth.
vec *ptr_targets_reach(ptr_targets *set, uint32_t depth);
// What b reaches at depth db may be stored where a reaches at depth da.
void sym_pair_targets(ptr_targets *a, uint32_t da, ptr_targets *b, uint32_t db);
uint32_t ptr_pair_count();
// Joins targets along the recorded pairs until stable; true when a set changed.
bool sym_propagate_targets();
regset *sym_targets_regs(ptr_targets *set);
void sym_size_pointers();
const char *sym_targets_text(ptr_targets *set);
// The program's list of pointer-target sets.
vec *ptr_sets_list();
// Forgets every set and pair (a fresh program).
void ptr_targets_reset();
