#include "common/lists.h"

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstring>
#include <string>
#include <strings.h>
#include <unordered_map>
#include <vector>

#include "common/alert.h"
#include "common/alloc.h"
#include "common/osdep.h"
#include "common/vector.h"

static const char MODULE[] = "lists";

const char *const unit_names[5] = {"unit", "bit", "byte", "word", "nibble"};
const uint32_t unit_sizes[5] = {1, 1, 1, 2, 1};

// Message numbers of memory range options (shared with the linker's range options).
enum {
  MSG_RANGE_BAD_LO = 443,
  MSG_RANGE_NO_DASH = 444,
  MSG_RANGE_BAD_HI = 445,
  MSG_RANGE_BAD_COUNT = 448,
  MSG_RANGE_TRAILING = 449,
};

// ---- Range lists ----

static mem_range *range_new(uint32_t lo, uint32_t hi, mem_range *next) {
  mem_range *r = static_cast<mem_range *>(xalloc(sizeof(mem_range)));
  r->lo = lo;
  r->hi = hi;
  r->next = next;
  return r;
}

// Appends to a list being built in address order.
static void range_append(mem_range ***tail, uint32_t lo, uint32_t hi) {
  **tail = range_new(lo, hi, nullptr);
  *tail = &(**tail)->next;
}

static uint64_t range_size(const mem_range *r) { return uint64_t(r->hi) - r->lo + 1; }

// Places one piece a..b. Returns true when it is settled (inserted, or
// already covered); false when a node had to be taken out and the piece
// grown to *grown, which the caller adds afresh.
static bool place_piece(mem_range **list, uint64_t a, uint64_t b, bool join, uint64_t grown[2]) {
  for (mem_range **link = list; *link; link = &(*link)->next) {
    mem_range *node = *link;
    uint64_t lo = node->lo, hi = node->hi;
    bool take = true;
    if (lo <= a && b <= hi) return true;
    if (join && lo == b + 1) {
      grown[0] = a, grown[1] = hi;
    } else if (join && hi + 1 == a) {
      grown[0] = lo, grown[1] = b;
    } else if (a < lo && lo <= b && b < hi) {
      grown[0] = a, grown[1] = hi;
    } else if (lo < a && a <= hi && hi < b) {
      grown[0] = lo, grown[1] = b;
    } else if (b < lo) {
      *link = range_new(uint32_t(a), uint32_t(b), node);
      return true;
    } else if (hi < a) {
      take = false;
    } else {
      OS_ASSERT_NAMED(a <= lo && hi <= b, "0", MODULE);
      grown[0] = a, grown[1] = b;
    }
    if (take) {
      *link = node->next;
      xfree(node);
      return false;
    }
  }
  // Past the last node (or an empty list): the piece goes at the end.
  mem_range **link = list;
  while (*link) link = &(*link)->next;
  *link = range_new(uint32_t(a), uint32_t(b), nullptr);
  return true;
}

// Overlapping ranges always merge, adjacent ones only with join. A chunked
// range is laid down in pieces of chunk addresses from its lo; a piece that
// meets a node takes the node in and is laid down again from the merged lo.
// With join the pieces would merge again, so the chunk size has no effect.
void rng_add(mem_range **list, uint32_t lo, uint32_t hi, uint32_t chunk, int join) {
  OS_ASSERT_NAMED(list, "mrp", MODULE);
  int64_t size = int64_t(hi) - int64_t(lo) + 1;
  OS_ASSERT_NAMED(size >= 0, "(long)size >= 0", MODULE);
  if (size == 0) return;
  uint64_t step = join ? 0 : chunk;
  // Ranges still to lay down, the most recent on top.
  std::vector<std::pair<uint64_t, uint64_t>> work{{lo, hi}};
  while (!work.empty()) {
    auto [from, to] = work.back();
    work.pop_back();
    uint64_t whole = to - from + 1;
    for (uint64_t a = from; a <= to;) {
      uint64_t b = (step == 0 || whole < step) ? to : std::min(a + step - 1, to);
      uint64_t grown[2];
      if (!place_piece(list, a, b, join, grown)) {
        if (b < to) work.emplace_back(b + 1, to);
        work.emplace_back(grown[0], grown[1]);
        break;
      }
      a = b + 1;
    }
  }
}

mem_range *rng_copy(const mem_range *list) {
  mem_range *copy = nullptr, **tail = &copy;
  for (; list; list = list->next) range_append(&tail, list->lo, list->hi);
  return copy;
}

void rng_free(mem_range *list) {
  while (list) {
    mem_range *next = list->next;
    xfree(list);
    list = next;
  }
}

uint32_t rng_free_total(mem_range *list) {
  uint64_t total = 0;
  for (const mem_range *r = list; r; r = r->next) total += range_size(r);
  rng_free(list);
  return uint32_t(total);
}

// Each range of a keeps its own node boundaries; only what b covers is cut out.
mem_range *rng_subtract(const mem_range *a, const mem_range *b) {
  mem_range *out = nullptr, **tail = &out;
  for (; a; a = a->next) {
    uint64_t lo = a->lo;
    const uint64_t hi = a->hi;
    while (b && b->hi < lo) b = b->next;
    for (const mem_range *cut = b; cut && cut->lo <= hi && lo <= hi; cut = cut->next) {
      if (cut->lo > lo) range_append(&tail, uint32_t(lo), cut->lo - 1);
      lo = uint64_t(cut->hi) + 1;
    }
    if (lo <= hi) range_append(&tail, uint32_t(lo), uint32_t(hi));
  }
  return out;
}

// Both lists are sorted and disjoint, so the pieces come out in address order.
mem_range *rng_overlap(const mem_range *a, const mem_range *b) {
  mem_range *out = nullptr, **tail = &out;
  for (; a; a = a->next)
    for (const mem_range *r = b; r && r->lo <= a->hi; r = r->next) {
      uint32_t lo = std::max(a->lo, r->lo), hi = std::min(a->hi, r->hi);
      if (lo <= hi) range_append(&tail, lo, hi);
    }
  return out;
}

bool rng_contains(uint32_t address, const mem_class *cls) {
  if (!cls) return false;
  for (const mem_range *r = cls_list(cls, RNG_DEFINED); r && r->lo <= address; r = r->next)
    if (address <= r->hi) return true;
  return false;
}

void rng_emit_bounds_to(FILE *out, const mem_range *list, const char *name) {
  int i = 0;
  for (const mem_range *r = list; r; r = r->next, i++) {
    fprintf(out, "\tGLOBAL\t__L%s%d\n__L%s%d\tEQU\t%lu\n", name, i, name, i,
            static_cast<unsigned long>(r->lo));
    fprintf(out, "\tGLOBAL\t__H%s%d\n__H%s%d\tEQU\t%lu\n", name, i, name, i,
            static_cast<unsigned long>(r->hi) + 1);
  }
}

void rng_emit_bounds(const mem_range *list, const char *name) {
  rng_emit_bounds_to(stdout, list, name);
}

static unsigned digit_value(char c) {
  OS_ASSERT_NAMED(isxdigit(static_cast<unsigned char>(c)), "isxdigit(c)", MODULE);
  return isdigit(static_cast<unsigned char>(c)) ? unsigned(c - '0')
                                                : unsigned(tolower(c) - 'a' + 10);
}

// Assembler-style numbers: 0x1F, 1Fh, 17q/17o, 31 or 31d.
int rng_parse_number(const char **cursor, uint32_t *out) {
  const char *p = *cursor;
  bool prefixed = p[0] == '0' && (p[1] == 'x' || p[1] == 'X');
  if (prefixed) p += 2;
  const char *start = p;
  while (isxdigit(static_cast<unsigned char>(*p))) p++;
  const char *end = p;
  unsigned radix;
  if (*p == 'H' || *p == 'h') {
    radix = 16, p++;
  } else if (*p == 'O' || *p == 'o' || *p == 'Q' || *p == 'q') {
    radix = 8, p++;
  } else if (prefixed) {
    radix = 16;
  } else {
    radix = 10;
    if (end > start && (end[-1] == 'D' || end[-1] == 'd')) end--;
  }
  *cursor = p;
  if (start == end || (!prefixed && !isdigit(static_cast<unsigned char>(*start)))) return 1;
  uint32_t value = 0;
  for (const char *d = start; d < end; d++) {
    unsigned digit = digit_value(*d);
    if (digit >= radix) return 1;
    value = value * radix + digit;
  }
  *out = value;
  return 0;
}

// "<class>=lo-hi[*n],...": each item is laid down in pieces of its own size.
void rng_parse_spec(mem_class *cls, const char *text) {
  OS_ASSERT_NAMED(cls, "cp", MODULE);
  const char *p = strchr(text, '=');
  if (!p) {
    msg_report_hooked("F", "Bad spec in memory range option");
    return;
  }
  if (!*++p) {
    msg_report_hooked("F", "Missing address in memory range option");
    return;
  }
  for (;;) {
    uint32_t lo, hi, count = 1;
    if (rng_parse_number(&p, &lo)) {
      msg(MSG_RANGE_BAD_LO, text);
      return;
    }
    if (*p++ != '-') {
      msg(MSG_RANGE_NO_DASH, text);
      return;
    }
    if (rng_parse_number(&p, &hi) || hi < lo) {
      msg(MSG_RANGE_BAD_HI, text);
      return;
    }
    if (*p == '*' || *p == 'x' || *p == 'X') {
      p++;
      if (rng_parse_number(&p, &count)) {
        msg(MSG_RANGE_BAD_COUNT, text);
        return;
      }
    }
    uint64_t size = uint64_t(hi) - lo + 1;
    uint64_t end = lo + uint64_t(count) * size;  // one past the last copy
    if (end > uint64_t(UINT32_MAX) + 1) {
      msg(MSG_RANGE_BAD_COUNT, text);
      return;
    }
    if (count != 0) cls_add_range(cls, RNG_DEFINED, lo, uint32_t(end - 1), uint32_t(size));
    if (*p == ',') {
      p++;
      continue;
    }
    if (*p) msg(MSG_RANGE_TRAILING, p);
    return;
  }
}

// ---- Spaces and classes ----

mem_range *cls_list(const mem_class *cls, int list) {
  if (!cls || list < RNG_DEFINED || list > RNG_RESERVED) return nullptr;
  if (list == RNG_USED && cls->used_owner) return cls->used_owner->ranges[RNG_USED];
  return cls->ranges[list];
}

// The list head to change: a shared used list is changed in its owner, so
// every class sharing it sees the same nodes.
static mem_range **list_head(mem_class *cls, int list) {
  if (list == RNG_USED && cls->used_owner) return &cls->used_owner->ranges[RNG_USED];
  return &cls->ranges[list];
}

mem_space *ms_new(mem_space **list, const char *name, const char *description, int value) {
  OS_ASSERT_NAMED(list, "mspp", MODULE);
  mem_space *space = static_cast<mem_space *>(xalloc(sizeof(mem_space)));
  space->name = str_dup(name);
  space->description = str_dup(description);
  space->value = value;
  while (*list) list = &(*list)->next;
  *list = space;
  return space;
}

mem_space *ms_find(mem_space *list, const char *name) {
  for (; list; list = list->next)
    if (list->name && name && strcasecmp(list->name, name) == 0) return list;
  return nullptr;
}

static mem_class *class_in(const mem_space *space, const char *name) {
  for (mem_class *c = space->classes; c; c = c->next)
    if (c->name && name && strcmp(c->name, name) == 0) return c;
  return nullptr;
}

mem_class *ms_find_class(mem_space *list, const char *name) {
  for (; list; list = list->next)
    if (mem_class *c = class_in(list, name)) return c;
  return nullptr;
}

mem_class *ms_class_find_or_add(mem_space *space, const char *name, uint8_t unit, int load,
                                uint32_t page_size) {
  OS_ASSERT_NAMED(space, "ms", MODULE);
  if (mem_class *c = class_in(space, name)) return c;
  mem_class *cls = static_cast<mem_class *>(xalloc(sizeof(mem_class)));
  cls->name = str_dup(name);
  cls->unit = unit;
  cls->load = load;
  cls->page_size = page_size;
  cls->space = space;
  mem_class **link = &space->classes;
  while (*link) link = &(*link)->next;
  *link = cls;
  return cls;
}

void cls_add_range(mem_class *cls, int list, uint32_t lo, uint32_t hi, uint32_t chunk) {
  OS_ASSERT_NAMED(cls, "cp", MODULE);
  if (list < RNG_DEFINED || list > RNG_RESERVED) return;
  rng_add(list_head(cls, list), lo, hi, chunk, chunk == 0);
}

void cls_add_ranges_repeated(mem_class *cls, int list, uint32_t lo, uint32_t hi, uint32_t stride) {
  OS_ASSERT_NAMED(cls, "cp", MODULE);
  uint64_t a = lo, b = hi;
  do {
    cls_add_range(cls, list, uint32_t(a), uint32_t(b), stride);
    a += stride, b += stride;
  } while (stride != 0 && b <= UINT32_MAX && a < cls_top(cls));
}

void ms_add_range_all(mem_space *space, int list, uint32_t lo, uint32_t hi, uint32_t chunk) {
  OS_ASSERT_NAMED(space, "ms", MODULE);
  for (mem_class *c = space->classes; c; c = c->next) cls_add_range(c, list, lo, hi, chunk);
}

uint32_t cls_top(const mem_class *cls) {
  const mem_range *r = cls_list(cls, RNG_DEFINED);
  if (!r) return 0;
  while (r->next) r = r->next;
  return r->hi;
}

// The node is taken out and the moved range added again, so the list stays
// sorted and merged.
void cls_move_range(mem_class *cls, uint32_t old_lo, uint32_t new_lo, uint32_t new_hi) {
  OS_ASSERT_NAMED(cls, "cp", MODULE);
  for (mem_range **link = &cls->ranges[RNG_DEFINED]; *link; link = &(*link)->next) {
    mem_range *node = *link;
    if (node->lo != old_lo) continue;
    uint32_t hi = new_hi ? new_hi : new_lo + (node->hi - node->lo);
    *link = node->next;
    xfree(node);
    rng_add(&cls->ranges[RNG_DEFINED], new_lo, hi, 0, 0);
    return;
  }
}

static void drop_used(mem_class *cls) {
  if (cls->used_owner) {
    cls->used_owner = nullptr;
    cls->used_shared = false;
  } else {
    rng_free(cls->ranges[RNG_USED]);
  }
  cls->ranges[RNG_USED] = nullptr;
}

void cls_restrict(mem_class *cls, mem_class *other, int take_used) {
  OS_ASSERT_NAMED(cls && other, "cp", MODULE);
  mem_range *defined = rng_overlap(cls->ranges[RNG_DEFINED], other->ranges[RNG_DEFINED]);
  rng_free(cls->ranges[RNG_DEFINED]);
  cls->ranges[RNG_DEFINED] = defined;
  if (!take_used) return;
  mem_class *owner = other->used_owner ? other->used_owner : other;
  if (owner == cls) return;  // already its own list
  drop_used(cls);
  cls->used_owner = owner;
  cls->used_shared = true;
}

void cls_clear_ranges(mem_class *cls) {
  OS_ASSERT_NAMED(cls, "cp", MODULE);
  rng_free(cls->ranges[RNG_DEFINED]);
  rng_free(cls->ranges[RNG_RESERVED]);
  cls->ranges[RNG_DEFINED] = cls->ranges[RNG_RESERVED] = nullptr;
  drop_used(cls);
}

void ms_reset(mem_space *space) {
  OS_ASSERT_NAMED(space, "ms", MODULE);
  for (mem_class *c = space->classes; c; c = c->next) cls_clear_ranges(c);
  space->reset = true;
}

void ms_release_reserved(mem_space *space) {
  OS_ASSERT_NAMED(space, "ms", MODULE);
  for (mem_class *c = space->classes; c; c = c->next) {
    for (const mem_range *r = c->ranges[RNG_RESERVED]; r; r = r->next)
      ms_add_range_all(space, RNG_USED, r->lo, r->hi, 0);
    rng_free(c->ranges[RNG_RESERVED]);
    c->ranges[RNG_RESERVED] = nullptr;
  }
}

void ms_clear_list2(mem_space *space) {
  OS_ASSERT_NAMED(space, "ms", MODULE);
  for (mem_class *c = space->classes; c; c = c->next) {
    rng_free(c->ranges[RNG_RESERVED]);
    c->ranges[RNG_RESERVED] = nullptr;
  }
}

static void appendf(std::string &text, const char *format, ...)
    __attribute__((format(printf, 2, 3)));
static void appendf(std::string &text, const char *format, ...) {
  char buf[96];
  va_list args;
  va_start(args, format);
  vsnprintf(buf, sizeof buf, format, args);
  va_end(args);
  text += buf;
}

// "<prefix><name>=lo-hi,..." over the free ranges: equal adjacent ranges are
// written once with a repeat count; a paged class writes each range with the
// end of its first page; the load value follows a "/".
static char *spec_text(const mem_class *cls, const mem_range *free, const char *prefix,
                       const char *name) {
  if (!free) return str_dup("");
  std::string text = std::string(prefix ? prefix : "") + (name ? name : "") + "=";
  appendf(text, "0%lXh-", static_cast<unsigned long>(free->lo));
  const bool has_load = cls->load != -1;
  const unsigned long load = static_cast<unsigned>(cls->load);
  bool load_written = false;
  for (const mem_range *r = free; r;) {
    const unsigned long lo = r->lo, hi = r->hi;
    if (r != free) appendf(text, ",0%lXh-", lo);
    if (cls->page_size == 0) {
      const mem_range *last = r;
      int count = 1;
      while (last->next && last->next->lo == uint64_t(last->hi) + 1 &&
             range_size(last->next) == range_size(r))
        last = last->next, count++;
      if (count > 1) {
        if (has_load) {
          appendf(text, "0%lXh/0%lXhx%d", hi, load, count);
          load_written = true;
        } else {
          appendf(text, "0%lXhx%d", hi, count);
        }
        r = last->next;
        continue;
      }
      appendf(text, "0%lXh", hi);
    } else {
      appendf(text, "0%lXh-0%lXh", static_cast<unsigned long>(uint32_t(lo + cls->page_size - 1)), hi);
    }
    r = r->next;
  }
  if (has_load && !load_written) appendf(text, "/0%lXh", load);
  return str_dup(text.c_str());
}

char *cls_spec_string(const mem_class *cls, const char *prefix, const char *name) {
  OS_ASSERT_NAMED(cls, "cp", MODULE);
  mem_range *free = rng_subtract(cls_list(cls, RNG_DEFINED), cls_list(cls, RNG_USED));
  char *text = spec_text(cls, free, prefix, name);
  rng_free(free);
  return text;
}

char *bank_spec_string(const mem_class *cls, const char *prefix, const char *name, uint32_t lo,
                       uint32_t hi) {
  OS_ASSERT_NAMED(cls, "cp", MODULE);
  mem_range window{lo, hi, nullptr};
  mem_range *part = rng_overlap(cls_list(cls, RNG_DEFINED), &window);
  mem_range *free = rng_subtract(part, cls_list(cls, RNG_USED));
  char *text = spec_text(cls, free, prefix, name);
  rng_free(part);
  rng_free(free);
  return text;
}

// Defined minus used, and minus reserved when asked.
static mem_range *free_ranges(const mem_class *cls, bool less_reserved) {
  mem_range *free = rng_subtract(cls_list(cls, RNG_DEFINED), cls_list(cls, RNG_USED));
  if (!less_reserved) return free;
  mem_range *rest = rng_subtract(free, cls_list(cls, RNG_RESERVED));
  rng_free(free);
  return rest;
}

mem_range cls_largest_free(const mem_class *cls) {
  mem_range best{0, UINT32_MAX, nullptr};
  if (!cls) return best;
  mem_range *free = free_ranges(cls, true);
  uint64_t best_size = 0;
  for (const mem_range *r = free; r; r = r->next)
    if (range_size(r) > best_size) best = {r->lo, r->hi, nullptr}, best_size = range_size(r);
  rng_free(free);
  return best;
}

uint32_t cls_lowest_free(const mem_class *cls) {
  if (!cls) return UINT32_MAX;
  mem_range *free = free_ranges(cls, false);
  uint32_t lowest = free ? free->lo : UINT32_MAX;
  rng_free(free);
  return lowest;
}

uint32_t cls_free_top(const mem_class *cls) {
  if (!cls) return 0;
  mem_range *free = free_ranges(cls, false);
  uint32_t top = 0;
  for (const mem_range *r = free; r; r = r->next) top = r->hi;
  rng_free(free);
  return top;
}

uint32_t cls_free_size(const mem_class *cls) {
  if (!cls) return 0;
  return rng_free_total(free_ranges(cls, false));
}

mem_range *cls_free_chunks(const mem_class *cls) {
  if (!cls) return nullptr;
  return free_ranges(cls, true);
}

uint32_t ms_free_size(const mem_space *space) {
  uint32_t total = 0;
  if (space)
    for (const mem_class *c = space->classes; c; c = c->next) total += cls_free_size(c);
  return total;
}

// An exact fit is preferred to the first larger range; the block is marked in
// every class of the space, since the classes describe the same addresses.
mem_range *cls_allocate(mem_space *space, mem_class *cls, uint32_t size, int action,
                        int from_top) {
  OS_ASSERT_NAMED(cls, "cp", MODULE);
  if (action != ALLOC_USE && action != ALLOC_RESERVE && action != ALLOC_QUERY) {
    msg_report_hooked("F", "Illegal action in memory allocation");
    return nullptr;
  }
  if (!space) space = cls->space;
  mem_range *free = free_ranges(cls, true);
  const mem_range *found = nullptr;
  for (const mem_range *r = free; r && !found; r = r->next)
    if (range_size(r) == size) found = r;
  bool exact = found != nullptr;
  for (const mem_range *r = free; r && !found; r = r->next)
    if (range_size(r) > size) found = r;
  mem_range *result = nullptr;
  if (found) {
    uint32_t lo = (from_top && !exact) ? found->hi - size + 1 : found->lo;
    if (action == ALLOC_QUERY) {
      result = range_new(found->lo, found->hi, nullptr);
    } else {
      result = range_new(lo, lo + size - 1, nullptr);
      if (size == 0) {
        // nothing to mark
      } else if (space) {
        ms_add_range_all(space, action, lo, lo + size - 1, 0);
      } else {
        cls_add_range(cls, action, lo, lo + size - 1, 0);
      }
    }
  }
  rng_free(free);
  return result;
}

mem_range *cls_allocate_simple(mem_space *space, mem_class *cls, uint32_t size, int action) {
  return cls_allocate(space, cls, size, action, 0);
}

double percent(double part, double whole) { return whole == 0 ? 0.0 : part / whole * 100.0; }

static mem_class *class_copy(const mem_class *c, mem_space *space) {
  mem_class *copy = static_cast<mem_class *>(xalloc(sizeof(mem_class)));
  copy->name = str_dup(c->name);
  copy->unit = c->unit;
  copy->load = c->load;
  copy->page_size = c->page_size;
  for (int list = RNG_DEFINED; list <= RNG_RESERVED; list++)
    copy->ranges[list] = rng_copy(cls_list(c, list));
  copy->space = space;
  return copy;
}

static mem_class *chain_copy(const mem_class *chain, mem_space *space, bool keep_space) {
  mem_class *head = nullptr, **tail = &head;
  for (; chain; chain = chain->next) {
    *tail = class_copy(chain, keep_space ? chain->space : space);
    tail = &(*tail)->next;
  }
  return head;
}

mem_class *cls_copy_chain(const mem_class *chain) { return chain_copy(chain, nullptr, true); }

static psect_usage *psect_copy_list(const psect_usage *list) {
  psect_usage *head = nullptr, **tail = &head;
  for (; list; list = list->next) {
    psect_usage *copy = static_cast<psect_usage *>(xalloc(sizeof(psect_usage)));
    *copy = *list;
    copy->name = str_dup(list->name);
    copy->class_text = str_dup(list->class_text);
    copy->next = nullptr;
    *tail = copy;
    tail = &copy->next;
  }
  return head;
}

mem_space *ms_copy_list(const mem_space *list) {
  mem_space *head = nullptr, **tail = &head;
  for (; list; list = list->next) {
    mem_space *copy = static_cast<mem_space *>(xalloc(sizeof(mem_space)));
    copy->name = str_dup(list->name);
    copy->description = str_dup(list->description);
    copy->value = list->value;
    copy->reset = list->reset;
    copy->classes = chain_copy(list->classes, copy, false);
    copy->psects = psect_copy_list(list->psects);
    *tail = copy;
    tail = &copy->next;
  }
  return head;
}

void cls_free_chain(mem_class *chain) {
  while (chain) {
    mem_class *next = chain->next;
    cls_clear_ranges(chain);
    xfree(chain->name);
    xfree(chain);
    chain = next;
  }
}

static void psect_free_list(psect_usage *list) {
  while (list) {
    psect_usage *next = list->next;
    xfree(list->name);
    xfree(list->class_text);
    xfree(list);
    list = next;
  }
}

static void space_free(mem_space *space) {
  cls_free_chain(space->classes);
  psect_free_list(space->psects);
  xfree(space->name);
  xfree(space->description);
  xfree(space);
}

void ms_free_list(mem_space *list) {
  while (list) {
    mem_space *next = list->next;
    space_free(list);
    list = next;
  }
}

// The entry is freed with all it holds, so no class of it outlives the space.
void ms_replace_entry(mem_space **head, mem_space *entry, mem_space *replacement) {
  OS_ASSERT_NAMED(head, "mspp", MODULE);
  for (mem_space **link = head; *link; link = &(*link)->next) {
    if (*link != entry) continue;
    if (replacement) {
      replacement->next = entry->next;
      *link = replacement;
    } else {
      *link = entry->next;
    }
    space_free(entry);
    return;
  }
}

void ms_remove_entry(mem_space **head, mem_space *entry) {
  ms_replace_entry(head, entry, nullptr);
}

// ---- Psect usage records ----

const char *psect_stem_text(const psect_usage *list, const char *name) {
  if (!name) return nullptr;
  size_t length = strlen(name), stem = length;
  while (stem > 0 && isdigit(static_cast<unsigned char>(name[stem - 1]))) stem--;
  if (stem < length && stem > 0 && name[stem - 1] == '_') stem = length;
  for (; list; list = list->next)
    if (list->name && strncmp(list->name, name, stem) == 0) return list->class_text;
  return nullptr;
}

static void replace_text(char **field, const char *text) {
  if (!text || *field == text) return;
  char *copy = str_dup(text);
  xfree(*field);
  *field = copy;
}

void psect_set(mem_space *space, const char *name, uint8_t unit, const char *class_text,
               uint32_t link, uint32_t load, uint32_t length) {
  OS_ASSERT_NAMED(space, "ms", MODULE);
  if (!space->psects) {
    psect_usage *record = static_cast<psect_usage *>(xalloc(sizeof(psect_usage)));
    record->name = str_dup(name);
    record->unit = unit;
    record->class_text = str_dup(class_text);
    record->length = length;
    record->link = link;
    record->load = load;
    space->psects = record;
    return;
  }
  psect_usage *found = nullptr;
  for (psect_usage *p = space->psects; p && !found; p = p->next)
    if (p->name && name && strcmp(p->name, name) == 0) found = p;
  psect_usage *record;
  if (found && (found->length == 0 || length == 0)) {
    record = found;
    replace_text(&record->name, name);
    replace_text(&record->class_text, class_text);
  } else {
    record = static_cast<psect_usage *>(xalloc(sizeof(psect_usage)));
    record->name = str_dup(name);
    record->class_text = str_dup(class_text ? class_text : psect_stem_text(space->psects, name));
    psect_usage **at = &space->psects;
    if (found) {
      at = &found->next;
    } else {
      while (*at) at = &(*at)->next;
    }
    record->next = *at;
    *at = record;
  }
  if (record->unit == 0) record->unit = unit;
  if (length != 0) {
    record->length = length;
    record->link = link;
    record->load = load;
  }
}

uint32_t psect_units_total(const mem_space *space) {
  if (!space) return 0;
  uint64_t sums[5] = {};
  for (const psect_usage *p = space->psects; p; p = p->next)
    if (p->unit < 5) sums[p->unit] += p->length;
  uint64_t total = 0;
  for (int unit = 0; unit < 5; unit++) {
    if (sums[unit] >= unit_sizes[unit])
      total += sums[unit] / unit_sizes[unit];
    else if (sums[unit] != 0)
      total += 1;
  }
  return uint32_t(total);
}

static uint32_t psect_key(const psect_usage *p, int key) {
  switch (key) {
    case PSECT_BY_LINK: return p->link;
    case PSECT_BY_LOAD: return p->load;
    default: return p->length;
  }
}

// Ascending, equal keys keeping their order.
void psect_sort(mem_space *space, int key) {
  if (!space || key < PSECT_BY_LINK || key > PSECT_BY_LENGTH) return;
  std::vector<psect_usage *> records;
  for (psect_usage *p = space->psects; p; p = p->next) records.push_back(p);
  std::stable_sort(records.begin(), records.end(), [key](const psect_usage *a, const psect_usage *b) {
    return psect_key(a, key) < psect_key(b, key);
  });
  psect_usage **tail = &space->psects;
  for (psect_usage *p : records) {
    *tail = p;
    tail = &p->next;
  }
  *tail = nullptr;
}

uint8_t ms_value_of(const mem_space *space, const char *name) {
  if (!space || !name) return 0;
  for (const psect_usage *p = space->psects; p; p = p->next)
    if (p->name && strcmp(p->name, name) == 0) return p->unit;
  return 0;
}

// ---- Directed graphs ----

// Set in walk_flags while a walk runs: the node is already in the result.
static const uint32_t DAG_IN_RESULT = 0x0001;

// Nodes holding a cached reachability list, in every universe.
static uint32_t dag_cached_lists;

vec *dag_new_universe() { return vec_new_default(); }

dag_node *dag_node_new(vec *universe, void *item) {
  OS_ASSERT(universe, MODULE);
  dag_node *node = static_cast<dag_node *>(xalloc(sizeof(dag_node)));
  node->item = item;
  node->edges = vec_new_default();
  node->universe = universe;
  vec_push(universe, node);
  return node;
}

static void drop_reach(dag_node *node) {
  if (!node->reach) return;
  vec_free(node->reach);
  node->reach = nullptr;
  dag_cached_lists--;
}

static dag_edge *edge_at(const dag_node *node, uint32_t i) {
  return static_cast<dag_edge *>(vec_get(node->edges, i));
}

static dag_node *node_at(const vec *v, uint32_t i) { return static_cast<dag_node *>(vec_get(v, i)); }

int dag_add_edge(dag_node *from, dag_node *to, uint32_t tag, uint32_t flags) {
  OS_ASSERT(from && to, MODULE);
  if (from->universe != to->universe) msg_print("attempt to mix DAG universes\n");
  for (uint32_t i = vec_size(from->edges); i-- > 0;) {
    const dag_edge *e = edge_at(from, i);
    if (e->target == to && e->tag == tag && e->flags == flags) return 0;
  }
  dag_edge *edge = static_cast<dag_edge *>(xalloc(sizeof(dag_edge)));
  edge->target = to;
  edge->tag = tag;
  edge->flags = flags;
  vec_push(from->edges, edge);
  to->in_degree++;
  if (dag_cached_lists)
    for (uint32_t i = 0; i < vec_size(from->universe); i++) drop_reach(node_at(from->universe, i));
  return 1;
}

static int by_depth_up(const void *a, const void *b) {
  uint32_t x = (*static_cast<dag_node *const *>(a))->depth;
  uint32_t y = (*static_cast<dag_node *const *>(b))->depth;
  return (x > y) - (x < y);
}

static int by_depth_down(const void *a, const void *b) { return by_depth_up(b, a); }

// Max-flow of at most two units over a small graph with unit capacities.
struct unit_flow {
  struct arc {
    uint32_t to;
    uint32_t rev;
    int cap;
  };
  std::vector<std::vector<arc>> adj;

  explicit unit_flow(uint32_t vertices) : adj(vertices) {}

  void add(uint32_t from, uint32_t to) {
    adj[from].push_back({to, uint32_t(adj[to].size()), 1});
    adj[to].push_back({from, uint32_t(adj[from].size() - 1), 0});
  }

  // One augmenting path by breadth-first search; false when none is left.
  bool augment(uint32_t source, uint32_t sink) {
    std::vector<std::pair<uint32_t, uint32_t>> came(adj.size(), {UINT32_MAX, 0});
    std::vector<uint32_t> queue{source};
    came[source] = {source, 0};
    for (size_t head = 0; head < queue.size() && came[sink].first == UINT32_MAX; head++) {
      uint32_t v = queue[head];
      for (uint32_t i = 0; i < adj[v].size(); i++) {
        const arc &a = adj[v][i];
        if (a.cap > 0 && came[a.to].first == UINT32_MAX) {
          came[a.to] = {v, i};
          queue.push_back(a.to);
        }
      }
    }
    if (came[sink].first == UINT32_MAX) return false;
    for (uint32_t v = sink; v != source;) {
      auto [from, i] = came[v];
      arc &a = adj[from][i];
      a.cap--;
      adj[v][a.rev].cap++;
      v = from;
    }
    return true;
  }
};

// Marks the nodes that a depth-first search from each start node, following
// every edge and keeping only an "on the current path" mark, meets while they
// are on the path. Such a search tries every simple path, which grows
// exponentially with stacked diamonds; the outcome is computed instead. A node
// m is met on the path exactly when some start node r has a simple path to m
// and a cycle leaves m and returns to it without touching that path. For a
// start node the path is empty, so it only needs to lie on a cycle; for any
// other node this asks for two vertex-disjoint routes into m, one from the
// start nodes and one from m's own successors: a flow of two units.
static void mark_cycles(const vec *starts) {
  std::vector<dag_node *> nodes;
  std::unordered_map<const dag_node *, uint32_t> index;
  for (uint32_t i = 0; i < vec_size(starts); i++)
    if (index.emplace(node_at(starts, i), nodes.size()).second) nodes.push_back(node_at(starts, i));
  const uint32_t start_count = uint32_t(nodes.size());
  for (uint32_t v = 0; v < nodes.size(); v++)
    for (uint32_t i = 0; i < vec_size(nodes[v]->edges); i++) {
      dag_node *t = edge_at(nodes[v], i)->target;
      if (index.emplace(t, nodes.size()).second) nodes.push_back(t);
    }
  const uint32_t n = uint32_t(nodes.size());
  std::vector<std::vector<uint32_t>> succ(n);
  std::vector<bool> self_loop(n);
  for (uint32_t v = 0; v < n; v++)
    for (uint32_t i = 0; i < vec_size(nodes[v]->edges); i++) {
      uint32_t t = index[edge_at(nodes[v], i)->target];
      succ[v].push_back(t);
      if (t == v) self_loop[v] = true;
    }

  // Strongly connected components (Tarjan, without recursion): only nodes
  // of a component with a cycle can be met again.
  std::vector<uint32_t> order(n, UINT32_MAX), low(n), component(n), comp_size;
  std::vector<uint32_t> stack;
  std::vector<bool> on_stack(n);
  uint32_t counter = 0;
  for (uint32_t root = 0; root < n; root++) {
    if (order[root] != UINT32_MAX) continue;
    std::vector<std::pair<uint32_t, uint32_t>> calls{{root, 0}};
    order[root] = low[root] = counter++;
    stack.push_back(root), on_stack[root] = true;
    while (!calls.empty()) {
      auto &[v, next] = calls.back();
      if (next < succ[v].size()) {
        uint32_t w = succ[v][next++];
        if (order[w] == UINT32_MAX) {
          order[w] = low[w] = counter++;
          stack.push_back(w), on_stack[w] = true;
          calls.emplace_back(w, 0);
        } else if (on_stack[w]) {
          low[v] = std::min(low[v], order[w]);
        }
        continue;
      }
      uint32_t done = v;
      calls.pop_back();
      if (!calls.empty()) low[calls.back().first] = std::min(low[calls.back().first], low[done]);
      if (low[done] != order[done]) continue;
      uint32_t id = uint32_t(comp_size.size()), size = 0, w;
      do {
        w = stack.back();
        stack.pop_back(), on_stack[w] = false;
        component[w] = id, size++;
      } while (w != done);
      comp_size.push_back(size);
    }
  }

  for (uint32_t m = 0; m < n; m++) {
    if ((nodes[m]->cycle_flags & DAG_ON_CYCLE) ||
        (comp_size[component[m]] < 2 && !self_loop[m]))
      continue;
    bool met = m < start_count;
    if (!met) {
      // Vertex v is split into 2v (in) and 2v+1 (out); the sink is m's in.
      const uint32_t source = 2 * n, gate = 2 * n + 1, sink = 2 * m;
      unit_flow flow(2 * n + 2);
      for (uint32_t v = 0; v < n; v++) {
        if (v != m) flow.add(2 * v, 2 * v + 1);
        for (uint32_t t : succ[v]) flow.add(2 * v + 1, 2 * t);
      }
      flow.add(source, 2 * m + 1);
      flow.add(source, gate);
      for (uint32_t r = 0; r < start_count; r++) flow.add(gate, 2 * r);
      met = flow.augment(source, sink) && flow.augment(source, sink);
    }
    if (met) nodes[m]->cycle_flags |= DAG_ON_CYCLE;
  }
}

// Nodes are entered again when reached by a longer path, each time with a
// greater depth; as a depth never exceeds the number of nodes, every node is
// entered at most that often.
vec *dag_walk(dag_node *node, int order, uint32_t mask) {
  vec *result = vec_new_default();
  if (!node) return result;
  for (uint32_t i = 0; i < vec_size(node->universe); i++) {
    dag_node *n = node_at(node->universe, i);
    n->depth = 0;
    n->walk_flags = 0;
  }
  struct frame {
    dag_node *node;
    uint32_t next_edge;
  };
  std::vector<frame> path;
  auto enter = [&](dag_node *n, uint32_t depth) {
    if ((n->walk_flags & DAG_VISITING) || n->depth >= depth) return;
    if (!(n->walk_flags & DAG_IN_RESULT)) {
      vec_push(result, n);
      n->walk_flags |= DAG_IN_RESULT;
    }
    n->walk_flags |= DAG_VISITING;
    n->depth = depth;
    path.push_back({n, 0});
  };
  enter(node, 1);
  while (!path.empty()) {
    frame &top = path.back();
    if (top.next_edge < vec_size(top.node->edges)) {
      const dag_edge *e = edge_at(top.node, top.next_edge++);
      if ((e->flags & mask) == mask) enter(e->target, uint32_t(path.size()) + 1);
    } else {
      top.node->walk_flags &= ~DAG_VISITING;
      path.pop_back();
    }
  }
  for (uint32_t i = 0; i < vec_size(result); i++) node_at(result, i)->walk_flags &= ~DAG_IN_RESULT;
  vec_sort(result, order == 1 ? by_depth_up : by_depth_down);
  mark_cycles(result);
  return result;
}

bool dag_reaches(dag_node *node, dag_node *target, uint32_t mask) {
  if (!node) return false;
  if (!node->reach || node->reach_mask != mask) {
    drop_reach(node);
    node->reach_mask = mask;
    node->reach = dag_walk(node, 1, mask);
    dag_cached_lists++;
  }
  return vec_find(node->reach, target) >= 0;
}

void dag_free_universe(vec *universe) {
  if (!universe) return;
  for (uint32_t i = 0; i < vec_size(universe); i++) {
    dag_node *node = node_at(universe, i);
    for (uint32_t e = 0; e < vec_size(node->edges); e++) xfree(edge_at(node, e));
    vec_free(node->edges);
    drop_reach(node);
    xfree(node);
  }
  vec_free(universe);
}
