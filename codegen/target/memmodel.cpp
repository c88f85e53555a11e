#include "codegen/target/memmodel.h"

#include <algorithm>

#include "codegen/model/optim.h"
#include "codegen/model/progstate.h"
#include "codegen/model/ptrtargets.h"
#include "codegen/model/tree.h"
#include "codegen/model/symbols.h"
#include "codegen/model/target_services.h"
#include "codegen/model/types.h"
#include "codegen/target/emitq.h"
#include "common/alert.h"
#include "common/lists.h"
#include "common/vector.h"

namespace {

constexpr uint32_t DATA_POINTER = 2;
constexpr uint32_t HIGH_PRIORITY_LEVELS = 5;  // the main level and level 2
constexpr uint32_t KIND_BITS = TARGET_NULL | TARGET_ACCESS | TARGET_BANKED | TARGET_CONST | TARGET_FAR;

void make_spaces() {
  memmodel_state &m = memmodel();
  if (m.data) return;
  m.code = ms_new(&m.spaces, "code", "Program space", 0);
  m.data = ms_new(&m.spaces, "data", "Data space", 1);
}

int32_t bank_of_target(const ptr_targets *t) {
  symbol *s = t->owner;
  auto found = memmodel().banks.find(s);
  if (found != memmodel().banks.end()) return found->second;
  if (s->flags & SYM_ABSOLUTE) return memmodel_block_bank(uint32_t(s->address), type_size(s->type));
  if (s->sclass == SC_AUTO || s->sclass == SC_PARAM) return emit_stack_object_bank(s, 0, 0);
  return BANK_UNKNOWN;
}

// The class bit of the memory an object (not a function) lies in.
uint32_t object_class(const ptr_targets *t) {
  symbol *s = t->owner;
  if (s == memmodel().ram_any) return TARGET_ANY_RAM;
  if (memmodel_in_program_memory(s))
    return TARGET_CONST | (s->sclass == SC_EXTERN && (s->flags & SYM_DECLARED_ONLY) ? uint32_t(TARGET_FAR) : 0u);
  if (memmodel_quals(s) & Q_FAR) return TARGET_FAR;
  return bank_of_target(t) == BANK_COMMON ? TARGET_ACCESS : TARGET_BANKED;
}

// Rebuilds the set's class bits from its targets; false when a function is
// among them (a code pointer).
bool rebuild_class_bits(ptr_targets *set) {
  set->class_bits &= ~(KIND_BITS | TARGET_ANY_RAM) | TARGET_NULL;
  for (uint32_t k = 0; set->targets && k < vec_size(set->targets); k++) {
    const ptr_targets *t = static_cast<ptr_targets *>(vec_get(set->targets, k));
    symbol *s = t->owner;
    if (!s || !s->type) continue;
    if (type_is_function(s->type)) return false;
    set->class_bits |= object_class(t);
  }
  return true;
}

bool far_below_64k() { return memmodel().far_used && memmodel().far_top <= 0x10000; }

// A pointer declared to point at const data.
bool pointee_is_const(const symbol *owner) {
  if (!owner || !owner->type || !type_is_pointer(owner->type)) return false;
  ctype *pointee = type_target(type_unqual(owner->type));
  return pointee && (type_qualifiers(pointee) & Q_CONST);
}

}  // namespace

uint32_t memmodel_pointer_class(const tree_node *t) {
  if (!t) return 0;
  uint32_t bits = 0;
  // An object's address (no indirection yet) points where the object lies,
  // whatever its type says: a const parameter is in RAM.
  symbol *object = t->targets && t->indir == 0 ? t->targets->owner : nullptr;
  // The address of a named object points at that object, whatever the
  // targets of what it replaced said (a chosen structure taken into a
  // temporary).
  if (t->op == OP_ADDR && t->left && t->left->op == OP_ID && t->left->sym && t->left->sym->type &&
      !type_is_function(t->left->sym->type))
    return object_class(sym_ptr_targets(t->left->sym));
  if (object && object->type && !type_is_function(object->type)) return object_class(t->targets);
  ctype *plain = type_unqual(t->type);
  bool data_pointer = plain && plain->kind == TY_POINTER && !type_is_function(plain->sub);
  if (t->targets && data_pointer && t->indir > 1) {
    // A pointer read through pointers: its values are held by the sets
    // reached below the node's own.
    vec *held = ptr_targets_reach(t->targets, t->indir - 1);
    for (uint32_t k = 0; k < vec_size(held); k++) bits |= static_cast<ptr_targets *>(vec_get(held, k))->class_bits;
    vec_free(held);
  } else if (t->targets) {
    bits = t->targets->class_bits;
  }
  if (bits & (KIND_BITS & ~TARGET_NULL)) return bits;
  if (!data_pointer) return bits;
  uint32_t q = type_qualifiers(type_target(plain));
  if (q & Q_CONST) return bits | TARGET_CONST;
  if (q & Q_FAR) return bits | TARGET_FAR;
  return bits;
}

namespace {

unsigned long const_total() {
  const data_totals *t = optim_data_totals();
  return t ? t->constant + t->strings : 0;
}

}  // namespace

memmodel_state &memmodel() {
  static memmodel_state &state = *new memmodel_state();
  return state;
}

void memmodel_reset() {
  memmodel_state &m = memmodel();
  rng_free(m.absbss);
  rng_free(m.data_ranges);
  ms_free_list(m.spaces);
  m = memmodel_state();
  emit_chip() = emit_chip_state{0xFFFF, 0x5f, {0, 0, 0, 0}, 0, BANK_UNKNOWN};
}

mem_class *memmodel_data_class(const char *name, bool make) {
  make_spaces();
  if (mem_class *c = ms_find_class(memmodel().data, name)) return c;
  return make ? ms_class_find_or_add(memmodel().data, name, UNIT_BYTE, -1, 0) : nullptr;
}

mem_class *memmodel_far_class(bool make) {
  make_spaces();
  if (mem_class *c = ms_find_class(memmodel().code, "FARRAM")) return c;
  return make ? ms_class_find_or_add(memmodel().code, "FARRAM", UNIT_BYTE, -1, 0) : nullptr;
}

int32_t memmodel_bank(const symbol *s) {
  auto found = memmodel().banks.find(s);
  return found == memmodel().banks.end() ? BANK_UNKNOWN : found->second;
}

int32_t memmodel_block_bank(uint32_t first, uint32_t size) {
  uint32_t last = first + (size ? size - 1 : 0);
  if (first >> 8 != last >> 8) return BANK_CROSSING;
  // In the access bank only when all of it is: else its bank's selection.
  if (emit_in_access_bank(first) && emit_in_access_bank(last)) return BANK_COMMON;
  return int32_t(first >> 8);
}

bool memmodel_in_program_memory(const symbol *s) {
  return s && (s->sclass == SC_EXTERN || s->sclass == SC_STATIC) && (memmodel_quals(s) & Q_CONST);
}

uint32_t memmodel_quals(const symbol *s) {
  uint32_t q = 0;
  for (ctype *t = s->type; t; t = type_target(t)) {
    q |= type_qualifiers(t);
    if (type_unqual(t)->kind != TY_ARRAY) break;
  }
  return q;
}

int memmodel_const_model() {
  unsigned long total = const_total();
  if (total <= 253) return CONST_SMALL;
  if (total < 0xFFFFu - memmodel().ram_top) return CONST_MEDIUM;
  return CONST_FULL;
}

int32_t memmodel_tblptr_usage() {
  const memmodel_state &m = memmodel();
  int32_t a = 0;
  if (m.table_reads) {
    a = int32_t(emit_code_ptr_size());
    if (a == 3) return 3;
  }
  if (m.switch_tblptru) return 3;
  int32_t h = a;
  if (m.far_used)
    h = m.far_top > 0x10000 ? 3 : 2;
  else if (m.switch_table)
    h = 2;
  if (m.far_or_const_declared) h = m.const_far_top > 0xFFFF ? 3 : 2;
  if (!const_total()) return h;
  if (m.far_used || m.far_or_const_declared) h = emit_chip().rom_size > 0xFFFE ? 3 : 2;
  switch (memmodel_const_model()) {
    case CONST_SMALL: return h < 2 ? 1 : h;
    case CONST_MEDIUM: return h < 3 ? 2 : h;
  }
  return 3;
}

void emit_target_types_init() {
  if (mode_word & MODE_IEEE_DBL) type_double()->size = 4;
}

uint32_t emit_code_ptr_size() { return emit_chip().rom_size > 0xFFFF ? 3 : 2; }

// A data pointer has two bytes, enough for all of data memory; one that may
// reach program memory (const or far targets) has three when that lies
// beyond 64 KiB. The answer depends on nothing learnt later than the
// pointer's type and the chip, so a size folded early is the size kept.
uint32_t emit_pointer_size(ptr_targets *set) {
  if (!set) return DATA_POINTER;
  if (!rebuild_class_bits(set)) return emit_code_ptr_size();
  bool program_memory = (set->class_bits & (TARGET_CONST | TARGET_FAR)) || pointee_is_const(set->owner);
  if (!program_memory) return DATA_POINTER;
  if ((set->class_bits & TARGET_FAR) && memmodel().far_used && !far_below_64k()) return 3;
  return emit_code_ptr_size();
}

// The debug side file's readers take pointer types without a kind letter.
char emit_pointer_kind(ptr_targets *) { return 0; }

symbol *emit_space_target(ctype *pointee, ctype *, int address) {
  memmodel_state &m = memmodel();
  if (pointee && (type_qualifiers(pointee) & Q_CONST)) {
    if (!m.rom_area) {
      m.rom_area = sym_new_area("ROM", Q_CONST, emit_chip().rom_size, 0);
      m.rom_area->sclass = SC_STATIC;
      sym_ptr_targets(m.rom_area)->class_bits |= TARGET_CONST;
    }
    return m.rom_area;
  }
  if (address == 0 || (pointee && type_size(pointee) == 1)) {
    if (!m.ram_any) m.ram_any = sym_new_area("RAM", 0, 255, 0);
    return m.ram_any;
  }
  if (!m.ram_default) {
    m.ram_default = sym_new_area("RAM", 0, m.ram_top, 0);
    m.banks[m.ram_default] = int32_t(uint32_t(address) / 256);
  }
  return m.ram_default;
}

void emit_enum_range(ctype *t, int32_t lo, int32_t hi) {
  if (lo < 0) {
    t->arith = ARITH_SIGNED;
    t->size = lo >= -128 && hi < 128 ? 1 : 2;
    if (hi > 0x7FFF || lo < -0x8000) msg(700, long(lo), long(hi));
  } else {
    t->arith = ARITH_UNSIGNED;
    t->size = hi < 256 ? 1 : 2;
    if (hi >= 0x10000) msg(700, long(lo), long(hi));
  }
}

uint32_t emit_small_size(symbol *s) {
  uint32_t size = type_size(s->type);
  return size < 4 ? size : 0;
}

void emit_check_decl(symbol *s) {
  if (!s->type) return;
  if ((memmodel_quals(s) & Q_FAR) || memmodel_in_program_memory(s)) {
    memmodel().far_or_const_declared = true;
    memmodel().const_far_top = std::max(memmodel().const_far_top, uint32_t(s->address));
  }
  // A parameter has no bit address either: its area holds bytes.
  if ((s->sclass == SC_AUTO || s->sclass == SC_PARAM) && type_arith(s->type) == ARITH_BIT)
    msg(698, s->source_name ? s->source_name : sym_asm_name(s));
  // The high-priority interrupt can break into the low-priority one, so
  // its body is read at a level of its own (level 2, above level 1): what
  // both reach gets a copy for each.
  uint32_t quals = type_qualifiers(s->type);
  if (type_is_function(s->type) && (quals & Q_INTERRUPT) && !(quals & Q_LOW_PRIORITY) &&
      !(s->flags & SYM_DECLARED_ONLY)) {
    s->levels_entry = HIGH_PRIORITY_LEVELS;
    model.read_levels = HIGH_PRIORITY_LEVELS;
  }
}
