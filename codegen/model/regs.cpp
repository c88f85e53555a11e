#include "codegen/model/regs.h"

#include <strings.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "codegen/model/symbols.h"
#include "codegen/model/tree.h"
#include "codegen/model/types.h"
#include "common/alert.h"
#include "common/hash.h"
#include "common/vector.h"

namespace {

// A temporary ranks below every machine register: it costs memory accesses.
constexpr uint32_t TEMP_COST = REGF_COST + 1;

struct regs_state {
  hash_table *mask_sets;    // mask -> regset
  hash_table *number_sets;  // number -> regset
  regset *function_used;
  regset *busy;
  regset *free_regs;
  regset *program_used;
  std::vector<bool> temp_busy;  // bytes of the statement's temporaries in use
  uint16_t temp_high;
  char name_buffer[128];
};
regs_state rs;

void *as_key(uint32_t n) { return reinterpret_cast<void *>(uintptr_t(n)); }

regset *lazy_set(regset *&slot) {
  if (!slot) slot = iset_alloc();
  return slot;
}

const reg_class_desc &class_of(uint32_t c) { return reg_classes[c - REG_CLASS_FIRST]; }

// The leaf mask of a machine register or class; 0 for everything else.
uint32_t mask_of(uint32_t r) {
  if (r <= REG_EMPTY) return reg_table[r].mask;
  if (reg_is_class(r)) return class_of(r).mask;
  return 0;
}

// The leaves of r meet the set (for temporaries and virtual registers: r is in it).
bool leaves_meet(uint32_t r, const regset *set) {
  if (r > REG_CLASS_LAST) return iset_member(set, r);
  return iset_intersects(rset_of(r), set);
}

// Every leaf of r lies in the set; numbers above the machine registers have none.
bool leaves_within(uint32_t r, const regset *set) {
  if (r > REG_CLASS_LAST) return true;
  return iset_includes(set, rset_of(r));
}

}  // namespace

uint32_t reg_cost(uint32_t r) {
  if (r == REG_TEMP || r >= REG_TEMP_FIRST) return TEMP_COST;
  if (r <= REG_EMPTY) return reg_table[r].flags & REGF_COST;
  return TEMP_COST;
}

const regset *rset_for_mask(uint32_t mask) {
  if (!rs.mask_sets) rs.mask_sets = hash_new(59, nullptr, nullptr);
  // Mask 0 cannot be a key of the table (0 is "absent"), so it has its own slot.
  static regset *empty_set;
  if (mask == 0) return lazy_set(empty_set);
  if (regset *s = static_cast<regset *>(hash_lookup(rs.mask_sets, as_key(mask)))) return s;
  regset *s = iset_alloc();
  for (uint32_t r = 1; r <= REG_EMPTY; r++)
    if (!reg_table[r].parts[0] && (reg_table[r].mask & mask)) iset_add(s, r);
  hash_insert(rs.mask_sets, as_key(mask), s);
  return s;
}

const regset *rset_of(uint32_t r) {
  if (r <= REG_CLASS_LAST) return rset_for_mask(mask_of(r));
  if (!rs.number_sets) rs.number_sets = hash_new(118, nullptr, nullptr);
  if (regset *s = static_cast<regset *>(hash_lookup(rs.number_sets, as_key(r)))) return s;
  regset *s = iset_alloc();
  iset_add(s, r);
  hash_insert(rs.number_sets, as_key(r), s);
  return s;
}

bool reg_in_set(const regset *set, uint32_t r) {
  if (!set || r == REG_NONE) return false;
  if (iset_member(set, r)) return true;
  if (r >= REG_EMPTY) return false;
  return iset_includes(set, rset_of(r));
}

void reg_add_leaves(regset *set, uint32_t r) {
  if (r == REG_NONE) return;
  if (r > REG_CLASS_LAST) {
    iset_add(set, r);
    return;
  }
  iset_union(set, rset_of(r));
}

uint32_t rclass_pick(const regset *set, uint32_t c) {
  if (c > REG_CLASS_LAST) return c;
  if (!reg_is_class(c)) return reg_in_set(set, c) ? c : 0;
  uint32_t best = 0, best_cost = 0;
  bool best_used = false;
  for (const uint8_t *m = class_of(c).members; *m; m++) {
    if (*m != REG_TEMP && !reg_in_set(set, *m)) continue;
    uint32_t cost = reg_cost(*m);
    bool used = *m != REG_TEMP && reg_in_set(rs.function_used, *m);
    if (!best || cost < best_cost || (cost == best_cost && used && !best_used)) {
      best = *m;
      best_cost = cost;
      best_used = used;
    }
  }
  return best;
}

uint32_t rclass_find_free(const regset *set, uint32_t c, const regset *want) {
  if (c > REG_CLASS_LAST) return c;
  if (iset_is_empty(want)) return rclass_pick(set, c);
  auto try_one = [&](uint32_t r) -> uint32_t {
    if (r > REG_CLASS_LAST) return r;
    uint32_t p = rclass_pick(set, r);
    return p && leaves_meet(p, want) ? p : 0;
  };
  if (!reg_is_class(c)) return try_one(c);
  for (const uint8_t *m = class_of(c).members; *m; m++)
    if (uint32_t r = try_one(*m)) return r;
  return 0;
}

uint32_t rclass_choose(const regset *avail, const regset *want, const regset *within, uint32_t c,
                       bool last) {
  if (c > REG_CLASS_LAST) return c;
  bool has_want = !iset_is_empty(want);
  if (reg_is_class(c) && (!iset_is_empty(within) || has_want || last)) {
    const uint8_t *members = class_of(c).members;
    uint32_t answer = 0;
    if (iset_is_empty(within)) {
      for (const uint8_t *m = members; *m; m++) {
        uint32_t p = rclass_pick(avail, *m);
        if (!p) continue;
        if (last || !answer) answer = p;
        if (has_want && leaves_meet(p, want)) {
          if (!last) return p;
          answer = p;
        }
      }
      return answer;
    }
    if (!iset_intersects(avail, within)) iset_union(rset_busy(), within);
    uint32_t fallback = 0;
    for (const uint8_t *m = members; *m; m++) {
      uint32_t p = rclass_pick(avail, *m);
      if (!p || !leaves_within(p, within)) continue;
      if (has_want && !leaves_meet(p, want)) {
        if (last || !fallback) fallback = p;
        continue;
      }
      if (!last) return p;
      answer = p;
    }
    return answer ? answer : fallback;
  }
  uint32_t p = rclass_pick(avail, c);
  if (!p) iset_union(rset_busy(), rset_of(c));
  return p;
}

uint32_t rset_new_temp(const tree_node *node, uint32_t r) {
  uint32_t size;
  if (r == REG_TEMP) {
    size = node ? tree_size(node) : 1;
    if (size == 0) size = 1;
  } else {
    size = r - REG_TEMP;
  }
  uint32_t align = type_max_align(size);
  std::vector<bool> &busy = rs.temp_busy;
  // The first free run of `size` bytes: temporaries already released by
  // the statement are used again.
  uint32_t offset = 0;
  for (;; offset = (offset + 1 + align) & ~align) {
    uint32_t k = 0;
    while (k < size && !(offset + k < busy.size() && busy[offset + k])) k++;
    if (k == size) break;
  }
  if (busy.size() < offset + size) busy.resize(offset + size);
  for (uint32_t k = 0; k < size; k++) busy[offset + k] = true;
  if (offset + size > rs.temp_high) rs.temp_high = uint16_t(offset + size);
  // Number 59 is TEMP itself, so the byte at offset k is temporary 60 + k.
  return REG_TEMP_FIRST + offset;
}

void rset_release_temp(uint32_t first, uint32_t size) {
  for (uint32_t k = first - REG_TEMP_FIRST; k < first - REG_TEMP_FIRST + size && k < rs.temp_busy.size(); k++)
    rs.temp_busy[k] = false;
}

void rset_temps_reset(int scope) {
  rs.temp_busy.clear();
  if (scope == TEMPS_FUNCTION) rs.temp_high = 0;
}

uint32_t rset_temps_offset() {
  uint32_t end = uint32_t(rs.temp_busy.size());
  while (end && !rs.temp_busy[end - 1]) end--;
  return end;
}
uint32_t rset_temps_high() { return rs.temp_high; }

const char *register_name(uint32_t r) {
  char *out = rs.name_buffer;
  size_t room = sizeof rs.name_buffer;
  if (r >= REG_VIRTUAL_FIRST) {
    snprintf(out, room, "U%lX", (unsigned long)r);
  } else if (r > REG_TEMP) {
    snprintf(out, room, "TEMP%lu", (unsigned long)(r - REG_TEMP));
  } else if (r == REG_TEMP) {
    snprintf(out, room, "TEMP");
  } else if (reg_is_class(r)) {
    std::string text = "(";
    for (const uint8_t *m = class_of(r).members; *m; m++) {
      if (m != class_of(r).members) text += "|";
      text += *m == REG_TEMP ? "TEMP" : reg_table[*m].name;
    }
    text += ")";
    snprintf(out, room, "%s", text.c_str());
  } else if (r >= 1 && r < REG_EMPTY) {
    snprintf(out, room, "%s", reg_table[r].name);
  } else {
    snprintf(out, room, "%lX", (unsigned long)r);
  }
  return out;
}

regset *parse_register_list(const char *text) {
  regset *result = nullptr;
  bool first = true;
  const char *p = text ? text : "";
  while (*p) {
    const char *separators = first ? ", \t\n" : ", \t";
    p += strspn(p, separators);
    size_t length = strcspn(p, separators);
    if (length == 0) break;
    std::string word(p, length);
    p += length;
    first = false;
    uint32_t found = 0;
    for (uint32_t r = 1; r < REG_EMPTY && !found; r++)
      if (!(reg_table[r].flags & REGF_UNLISTED) && strcasecmp(word.c_str(), reg_table[r].name) == 0)
        found = r;
    if (!found) {
      msg(749, word.c_str());
      continue;
    }
    if (!result) result = iset_alloc();
    reg_add_leaves(result, found);
  }
  return result;
}

regset *rset_function_used() { return lazy_set(rs.function_used); }
regset *rset_busy() { return lazy_set(rs.busy); }
regset *rset_free_regs() {
  if (!rs.free_regs) {
    rs.free_regs = iset_alloc();
    iset_assign(rs.free_regs, rset_for_mask(0xffffffffu));
  }
  return rs.free_regs;
}
void rset_reset_free_regs(symbol *f) {
  regset *free = rset_free_regs();
  iset_assign(free, rset_for_mask(0xffffffffu));
  if (!f || !f->reg_params) return;
  for (uint32_t k = 0; k < vec_size(f->reg_params); k++) {
    symbol *p = static_cast<symbol *>(vec_get(f->reg_params, k));
    if (p->reg && (p->flags2 & SYM2_IN_REGISTER)) iset_subtract(free, rset_of(p->reg));
  }
}
regset *rset_program_used() { return lazy_set(rs.program_used); }
