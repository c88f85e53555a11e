#include "codegen/model/ptrtargets.h"

#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "codegen/model/regs.h"
#include "codegen/model/symbols.h"
#include "codegen/model/target_services.h"
#include "codegen/model/types.h"
#include "common/alloc.h"
#include "common/vector.h"

namespace {

struct target_pair {
  ptr_targets *a;
  uint32_t da;
  ptr_targets *b;
  uint32_t db;
};

struct targets_state {
  std::vector<target_pair> pairs;  // in sequence order
  std::set<std::tuple<ptr_targets *, uint32_t, ptr_targets *, uint32_t>> known;
  vec *all_sets;   // every set made, so that none is lost
  vec *listed;     // the program's list of sets
  std::string text;
};
targets_state &st() {
  static targets_state &state = *new targets_state();
  return state;
}

ptr_targets *target_at(const ptr_targets *set, uint32_t k) {
  return static_cast<ptr_targets *>(vec_get(set->targets, k));
}

// The type beneath pointers, arrays and qualifiers.
ctype *innermost_non_pointer(ctype *t) {
  while (t && (t->kind == TY_POINTER || t->kind == TY_ARRAY || t->kind == TY_QUALIFIED) && t->sub)
    t = t->sub;
  return t;
}

// Pairs the pointer members of two different structs of equal member counts.
void pair_struct_members(ptr_targets *a, ptr_targets *b) {
  if (!a->owner || !b->owner) return;
  ctype *sa = innermost_non_pointer(a->owner->type), *sb = innermost_non_pointer(b->owner->type);
  if (!sa || !sb || sa == sb || sa->kind != TY_STRUCT || sb->kind != TY_STRUCT) return;
  uint32_t n = vec_size(sa->members);
  if (n != vec_size(sb->members)) return;
  for (uint32_t k = 0; k < n; k++) {
    symbol *ma = static_cast<symbol *>(vec_get(sa->members, k));
    symbol *mb = static_cast<symbol *>(vec_get(sb->members, k));
    if (type_is_pointer(ma->type) && type_is_pointer(mb->type))
      sym_pair_targets(sym_ptr_targets(ma), 1, sym_ptr_targets(mb), 1);
  }
}

// A pointer to a function that returns a pointer.
bool returns_pointer_through(symbol *s) {
  if (!s) return false;
  ctype *t = type_unqual(s->type);
  if (!t || t->kind != TY_POINTER) return false;
  ctype *f = type_unqual(t->sub);
  return f && f->kind == TY_FUNCTION && type_is_pointer(f->sub);
}

void list_set(ptr_targets *set) {
  if (set->listed) return;
  set->listed = true;
  vec_push(st().listed, set);
}

// Pointer parameters of functions compiled apart (assembly, or a library's
// callers) may point anywhere in their pointed-to type's memory space.
// True when a pair was added.
bool pair_asm_defined_params() {
  bool added = false;
  vec *objects = sym_global_objects();
  for (uint32_t k = 0; k < vec_size(objects); k++) {
    symbol *f = static_cast<symbol *>(vec_get(objects, k));
    if (!type_is_function(f->type) || !sym_called_from_outside(f)) continue;
    vec *params = sym_params(f);
    for (uint32_t p = 0; p < vec_size(params); p++) {
      symbol *param = static_cast<symbol *>(vec_get(params, p));
      if ((param->flags2 & SYM2_SPACE_PAIRED) || !type_is_pointer(param->type)) continue;
      param->flags2 |= SYM2_SPACE_PAIRED;
      ctype *pointee = type_target(type_unqual(param->type));
      if (symbol *space = emit_space_target(pointee, param->type, 0)) {
        sym_pair_targets(sym_ptr_targets(param), 1, sym_ptr_targets(space), 0);
        added = true;
      }
    }
  }
  return added;
}

void record_set_facts(ptr_targets *set) {
  set->has_targets = vec_size(set->targets) != 0;
  set->max_size = 0;
  for (uint32_t k = 0; k < vec_size(set->targets); k++) {
    symbol *target = target_at(set, k)->owner;
    if (!target) continue;
    target->flags2 |= SYM2_ADDRESS_TAKEN;
    uint32_t size = type_size(target->type);
    if (size > set->max_size) set->max_size = size;
  }
}

}  // namespace

ptr_targets *ptr_targets_new(symbol *owner) {
  ptr_targets *set = static_cast<ptr_targets *>(xalloc(sizeof(ptr_targets)));
  set->owner = owner;
  set->targets = vec_new_default();
  if (!st().all_sets) st().all_sets = vec_new(256);
  if (!st().listed) st().listed = vec_new_default();
  vec_push(st().all_sets, set);
  return set;
}

ptr_targets *sym_ptr_targets(symbol *s) {
  if (!s) return nullptr;
  if (!s->targets) s->targets = ptr_targets_new(s);
  ptr_targets *set = s->targets;
  if (pointGraphCompleted && sym_compile_levels() > 1) {
    if (!set->level_copy) {
      set->level_copy = ptr_targets_new(s);
      vec_append(set->level_copy->targets, set->targets);
      set->level_copy->class_bits = set->class_bits;
      set->level_copy->has_targets = set->has_targets;
      set->level_copy->max_size = set->max_size;
    }
    return set->level_copy;
  }
  return set;
}

bool ptr_targets_contains(const ptr_targets *set, const ptr_targets *target) {
  return vec_find(set->targets, target) >= 0;
}

bool ptr_targets_add(ptr_targets *set, ptr_targets *target) {
  if (!set || !target || ptr_targets_contains(set, target)) return false;
  vec_push(set->targets, target);
  return true;
}

vec *ptr_targets_reach(ptr_targets *set, uint32_t depth) {
  vec *level = vec_new_default();
  if (!set) return level;
  vec_push(level, set);
  for (uint32_t d = 0; d < depth; d++) {
    vec *next = vec_new_default();
    for (uint32_t k = 0; k < vec_size(level); k++) {
      ptr_targets *s = static_cast<ptr_targets *>(vec_get(level, k));
      for (uint32_t t = 0; t < vec_size(s->targets); t++) vec_push_unique(next, target_at(s, t));
    }
    vec_free(level);
    level = next;
  }
  return level;
}

void sym_pair_targets(ptr_targets *a, uint32_t da, ptr_targets *b, uint32_t db) {
  if (!a || !b || pointGraphCompleted) return;
  auto key = std::make_tuple(a, da, b, db);
  if (!st().known.insert(key).second) return;
  st().pairs.push_back({a, da, b, db});
  pair_struct_members(a, b);
}

uint32_t ptr_pair_count() { return uint32_t(st().pairs.size()); }

bool sym_propagate_targets() {
  bool any_change = false;
  for (;;) {
    bool changed;
    do {
      changed = false;
      for (size_t k = st().pairs.size(); k-- > 0;) {
        target_pair pair = st().pairs[k];
        if (pair.da == 0) continue;  // an address is a value, never a store
        vec *sources = ptr_targets_reach(pair.b, pair.db);
        vec *places = ptr_targets_reach(pair.a, pair.da - 1);
        bool through_function = returns_pointer_through(pair.a->owner);
        for (uint32_t p = 0; p < vec_size(places); p++) {
          ptr_targets *place = static_cast<ptr_targets *>(vec_get(places, p));
          for (uint32_t s = 0; s < vec_size(sources); s++) {
            ptr_targets *source = static_cast<ptr_targets *>(vec_get(sources, s));
            if (!ptr_targets_add(place, source)) continue;
            changed = true;
            if (through_function && source->owner)
              sym_pair_targets(sym_ptr_targets(sym_return_rep(pair.a->owner)), 1,
                               sym_ptr_targets(sym_return_rep(source->owner)), 1);
          }
        }
        vec_free(sources);
        vec_free(places);
      }
      any_change |= changed;
    } while (changed);
    if (!pair_asm_defined_params()) break;
  }
  for (const target_pair &pair : st().pairs) {
    if (pair.da == 0) continue;
    vec *places = ptr_targets_reach(pair.a, pair.da - 1);
    for (uint32_t p = 0; p < vec_size(places); p++)
      list_set(static_cast<ptr_targets *>(vec_get(places, p)));
    vec_free(places);
  }
  for (uint32_t k = 0; k < vec_size(st().all_sets); k++)
    record_set_facts(static_cast<ptr_targets *>(vec_get(st().all_sets, k)));
  return any_change;
}

regset *sym_targets_regs(ptr_targets *set) {
  if (!set) return nullptr;
  if (!set->regs) set->regs = iset_alloc();
  if (!pointGraphCompleted) {
    iset_assign(set->regs, rset_of(REG_ALLREG));
    return set->regs;
  }
  iset_clear(set->regs);
  for (uint32_t k = 0; k < vec_size(set->targets); k++) {
    symbol *target = target_at(set, k)->owner;
    if (target && type_is_function(target->type) && target->used_regs)
      iset_union(set->regs, target->used_regs);
  }
  return set->regs;
}

void sym_size_pointers() {
  if (!pointGraphCompleted) return;
  for (uint32_t k = 0; k < vec_size(st().listed); k++) {
    ptr_targets *set = static_cast<ptr_targets *>(vec_get(st().listed, k));
    if (!set->owner) continue;
    // An array of pointers: its set is what its elements point to.
    ctype *pointer = type_unqual(set->owner->type);
    while (pointer && pointer->kind == TY_ARRAY) pointer = type_unqual(pointer->sub);
    if (!pointer || pointer->kind != TY_POINTER || type_is_function(pointer->sub)) continue;
    type_set_ptr_size(pointer, emit_pointer_size(set));
  }
}

const char *sym_targets_text(ptr_targets *set) {
  std::string &text = st().text;
  auto plain = [](const symbol *s) {
    const char *name = s && s->name ? s->name : "";
    return name[0] == '_' ? name + 1 : name;
  };
  uint32_t n = set ? vec_size(set->targets) : 0;
  if (n == 1) {
    text = std::string("&") + plain(target_at(set, 0)->owner);
    return text.c_str();
  }
  text = "->(";
  for (uint32_t k = 0; k < n; k++) {
    if (text.size() - 3 > 16) {
      text += "...";
      break;
    }
    if (k) text += ",";
    text += plain(target_at(set, k)->owner);
  }
  text += ")";
  return text.c_str();
}

vec *ptr_sets_list() {
  if (!st().listed) st().listed = vec_new_default();
  return st().listed;
}

void ptr_targets_reset() {
  st().pairs.clear();
  st().known.clear();
  vec_clear(ptr_sets_list());
}
