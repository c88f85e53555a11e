// Target memory: named spaces holding named classes of address ranges (or
// psect usage records), range arithmetic and allocation; and directed graphs
// with depth-ordered reachability.
#pragma once
#include <cstdint>
#include <cstdio>

struct vec;

// Inclusive address range in a list kept sorted by address.
struct mem_range {
  uint32_t lo;
  uint32_t hi;
  mem_range *next;
};

enum { RNG_DEFINED = 0, RNG_USED = 1, RNG_RESERVED = 2 };

// Unit kinds: index into the unit table ("unit", "bit", "byte", "word", "nibble").
enum { UNIT_UNIT = 0, UNIT_BIT = 1, UNIT_BYTE = 2, UNIT_WORD = 3, UNIT_NIBBLE = 4 };
extern const char *const unit_names[5];
extern const uint32_t unit_sizes[5];

struct mem_space;

struct mem_class {
  char *name;
  uint8_t unit;
  int load;            // -1 for none
  uint32_t page_size;  // 0 for none
  mem_range *ranges[3];  // defined, used, reserved; read them through cls_list
  bool used_shared;      // the used list belongs to another class (cls_restrict)
  mem_class *used_owner; // that class; ranges[RNG_USED] stays null meanwhile
  mem_class *next;
  mem_space *space;
};

struct psect_usage {
  char *name;
  uint8_t unit;
  char *class_text;
  uint32_t length;
  uint32_t link;
  uint32_t load;
  psect_usage *next;
};

struct mem_space {
  char *name;
  char *description;
  mem_class *classes;    // in creation order
  psect_usage *psects;   // psect usage records (memory summaries)
  int value;
  mem_space *next;
  bool reset;
};

// Range lists.
void rng_add(mem_range **list, uint32_t lo, uint32_t hi, uint32_t chunk, int join);
mem_range *rng_copy(const mem_range *list);
void rng_free(mem_range *list);
uint32_t rng_free_total(mem_range *list);
mem_range *rng_subtract(const mem_range *a, const mem_range *b);
mem_range *rng_overlap(const mem_range *a, const mem_range *b);
bool rng_contains(uint32_t address, const mem_class *cls);
void rng_emit_bounds(const mem_range *list, const char *name);
void rng_emit_bounds_to(FILE *out, const mem_range *list, const char *name);
int rng_parse_number(const char **cursor, uint32_t *out);
void rng_parse_spec(mem_class *cls, const char *text);

// Spaces and classes.
mem_space *ms_new(mem_space **list, const char *name, const char *description, int value);
mem_space *ms_find(mem_space *list, const char *name);
mem_class *ms_find_class(mem_space *list, const char *name);
mem_class *ms_class_find_or_add(mem_space *space, const char *name, uint8_t unit, int load,
                                uint32_t page_size);
// Head of list 0, 1 or 2 of the class (the owner's used list when shared).
mem_range *cls_list(const mem_class *cls, int list);
void cls_add_range(mem_class *cls, int list, uint32_t lo, uint32_t hi, uint32_t chunk);
void cls_add_ranges_repeated(mem_class *cls, int list, uint32_t lo, uint32_t hi, uint32_t stride);
void ms_add_range_all(mem_space *space, int list, uint32_t lo, uint32_t hi, uint32_t chunk);
uint32_t cls_top(const mem_class *cls);
void cls_move_range(mem_class *cls, uint32_t old_lo, uint32_t new_lo, uint32_t new_hi);
void cls_restrict(mem_class *cls, mem_class *other, int take_used);
void cls_clear_ranges(mem_class *cls);
void ms_reset(mem_space *space);
void ms_release_reserved(mem_space *space);
void ms_clear_list2(mem_space *space);
char *cls_spec_string(const mem_class *cls, const char *prefix, const char *name);
char *bank_spec_string(const mem_class *cls, const char *prefix, const char *name, uint32_t lo,
                       uint32_t hi);
mem_range cls_largest_free(const mem_class *cls);
uint32_t cls_lowest_free(const mem_class *cls);
uint32_t cls_free_top(const mem_class *cls);
uint32_t cls_free_size(const mem_class *cls);
// New list of the free chunks (defined minus used minus reserved), lowest first.
mem_range *cls_free_chunks(const mem_class *cls);
uint32_t ms_free_size(const mem_space *space);
// Actions of cls_allocate.
enum { ALLOC_USE = 1, ALLOC_RESERVE = 2, ALLOC_QUERY = 3 };
// The block marked (lo..hi), for a query the free range found, or null; the
// caller frees it with rng_free. A block of 0 addresses marks nothing.
mem_range *cls_allocate(mem_space *space, mem_class *cls, uint32_t size, int action, int from_top);
mem_range *cls_allocate_simple(mem_space *space, mem_class *cls, uint32_t size, int action);
double percent(double part, double whole);
mem_class *cls_copy_chain(const mem_class *chain);
mem_space *ms_copy_list(const mem_space *list);
void cls_free_chain(mem_class *chain);
void ms_free_list(mem_space *list);
// The entry is unlinked and freed with all it holds (classes, psect records).
void ms_replace_entry(mem_space **head, mem_space *entry, mem_space *replacement);
void ms_remove_entry(mem_space **head, mem_space *entry);

// Psect usage records.
void psect_set(mem_space *space, const char *name, uint8_t unit, const char *class_text,
               uint32_t link, uint32_t load, uint32_t length);
const char *psect_stem_text(const psect_usage *list, const char *name);
uint32_t psect_units_total(const mem_space *space);
enum { PSECT_BY_LINK = 1, PSECT_BY_LOAD = 2, PSECT_BY_LENGTH = 3 };
void psect_sort(mem_space *space, int key);
uint8_t ms_value_of(const mem_space *space, const char *name);

// Directed graphs.
enum { DAG_ON_CYCLE = 0x8000, DAG_VISITING = 0x8000 };

struct dag_node;

struct dag_edge {
  dag_node *target;
  uint32_t flags;
  uint32_t tag;
};

struct dag_node {
  void *item;
  vec *edges;          // of dag_edge
  uint32_t depth;
  uint32_t cycle_flags;
  uint32_t in_degree;
  vec *universe;
  uint32_t walk_flags;
  vec *reach;          // cached reachability for reach_mask, or null
  uint32_t reach_mask;
};

vec *dag_new_universe();
dag_node *dag_node_new(vec *universe, void *item);
int dag_add_edge(dag_node *from, dag_node *to, uint32_t tag, uint32_t flags);
// Reachable nodes over edges whose flags include every bit of mask, start
// node included at depth 1; sorted by depth (ascending for order 1).
vec *dag_walk(dag_node *node, int order, uint32_t mask);
bool dag_reaches(dag_node *node, dag_node *target, uint32_t mask);
// Frees the universe with its nodes, their edges and cached lists (not the items).
void dag_free_universe(vec *universe);
