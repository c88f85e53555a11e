#include "codegen/model/stack.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>

#include "codegen/model/args.h"
#include "codegen/model/bsr.h"
#include "codegen/model/callgraph.h"
#include "codegen/model/iset.h"
#include "codegen/model/optim.h"
#include "codegen/model/progstate.h"
#include "codegen/model/ptrtargets.h"
#include "codegen/model/regalloc.h"
#include "codegen/model/regs.h"
#include "codegen/model/symbols.h"
#include "codegen/model/target_services.h"
#include "codegen/model/tree.h"
#include "codegen/model/types.h"
#include "common/alert.h"
#include "common/alloc.h"
#include "common/lists.h"
#include "common/vector.h"

namespace {

uint32_t compiled_stack_size;

// A compiled stack larger than one bank: each function's block has an
// address of its own, per level, chosen so that a block that fits in a bank
// lies within one.
struct pinned_block {
  uint32_t address;
  uint32_t size;  // as laid out: the code chosen for it must not outgrow it
  bool operator==(const pinned_block &) const = default;
};
using pin_key = std::pair<const symbol *, uint32_t>;
std::map<pin_key, pinned_block> pinned_blocks, accepted_pins;
std::map<pin_key, uint32_t> pin_floors;  // the largest size each block was pinned at
std::map<pin_key, uint32_t> align_bases;  // the lowest base of a block that shares its "?" area
bool stack_is_pinned, pins_changed;
constexpr uint32_t BANK_BYTES = 0x100;

template <typename T>
T *item(const vec *v, uint32_t k) {
  return static_cast<T *>(vec_get(v, k));
}

int compare_locals(const void *pa, const void *pb) {
  const symbol *a = *static_cast<symbol *const *>(pa);
  const symbol *b = *static_cast<symbol *const *>(pb);
  if (a->level != b->level) return a->level < b->level ? -1 : 1;
  if (a->line != b->line) return a->line < b->line ? -1 : 1;
  uint32_t sa = type_size(a->type), sb = type_size(b->type);
  if (sa != sb) return sa < sb ? -1 : 1;
  if (a->use_count != b->use_count) return a->use_count < b->use_count ? -1 : 1;
  // Temporaries in the order they were made: their names' numbers need not
  // grow with it, nor keep their count of digits.
  if ((a->flags & b->flags & SYM_COMPILER_MADE) && a->owner && a->owner == b->owner && a->unique != b->unique)
    return a->unique < b->unique ? -1 : 1;
  return strcmp(a->name, b->name);
}

uint32_t round_up(uint32_t n, uint32_t align_mask) { return (n + align_mask) & ~align_mask; }

bool is_reentrant(const symbol *f) { return f->flags2 & SYM2_REENTRANT; }

uint32_t return_size(symbol *f) {
  ctype *t = type_unqual(f->type);
  return t && t->kind == TY_FUNCTION && t->sub ? type_size(t->sub) : 0;
}

// Raises the base of every callee of f above `end`, the end of f's block,
// and of every function whose result f's arguments take while they are filled.
void raise_callees(symbol *f, uint32_t end) {
  vec *edges = f->cg->node->edges;
  for (uint32_t k = 0; k < vec_size(edges); k++) {
    dag_edge *e = item<dag_edge>(edges, k);
    symbol *g = cg_symbol(e->target);
    if (g && g->cg && g->cg->base < end) g->cg->base = end;
  }
}

void place_block(void *top, symbol *f, uint32_t) {
  f->levels_called |= cg_level_mask();
  uint32_t end = f->cg->base + stack_block_size(f);
  uint32_t &running = *static_cast<uint32_t *>(top);
  if (end > running) running = end;
  if (!(f->cg->flags & CG_POINTER)) raise_callees(f, end);
}

struct pin_walk {
  uint32_t origin;
  uint32_t top;
};

void place_locals(symbol *f, bool write);

// Where in f's block each variable of two to four bytes lies (its locals
// laid out as they will be written): one access reaches all of its bytes.
std::vector<std::pair<uint32_t, uint32_t>> small_variables(symbol *f) {
  std::vector<std::pair<uint32_t, uint32_t>> found;
  if (!f->ctx) return found;
  place_locals(f, false);
  auto add = [&found](uint32_t offset, uint32_t size) {
    if (size > 1 && size <= 4) found.push_back({offset, size});
  };
  vec *params = vec_size(f->params) ? f->params : f->fake_params;
  for (uint32_t k = 0; k < vec_size(params); k++) {
    symbol *p = item<symbol>(params, k);
    if ((p->flags & SYM_PARAM_IN_MEMORY) && !p->reg) add(p->offset, type_size(p->type));
  }
  auto among_autos = [&](vec *list) {
    for (uint32_t k = 0; k < vec_size(list); k++) {
      symbol *v = item<symbol>(list, k);
      if (v->flags2 & SYM2_IN_MEMORY) add(f->params_size + v->offset, type_size(v->type));
    }
  };
  among_autos(f->autos);
  among_autos(f->reg_params);
  return found;
}

bool crosses_bank(uint32_t from, uint32_t bytes) { return from / BANK_BYTES != (from + bytes - 1) / BANK_BYTES; }

// How far a block at `first` moves for its bytes from `lo` on (its
// temporaries, or all of a block of a bank or less) to lie in one bank.
uint32_t temps_shift(uint32_t first, uint32_t lo, uint32_t size) {
  if (size - lo > BANK_BYTES || !crosses_bank(first + lo, size - lo)) return 0;
  return ((first + lo) / BANK_BYTES + 1) * BANK_BYTES - (first + lo);
}

// How far past `first` a block larger than a bank starts so that none of
// its small variables crosses a bank boundary and its temporaries lie in
// one bank; where no start within a bank does, the temporaries alone decide.
uint32_t bank_safe_shift(symbol *f, uint32_t first, uint32_t lo, uint32_t size) {
  std::vector<std::pair<uint32_t, uint32_t>> small = small_variables(f);
  for (uint32_t shift = 0; shift < BANK_BYTES; shift++) {
    uint32_t at = first + shift;
    bool fits = temps_shift(at, lo, size) == 0;
    for (size_t k = 0; fits && k < small.size(); k++) fits = !crosses_bank(at + small[k].first, small[k].second);
    if (fits) return shift;
  }
  return temps_shift(first, lo, size);
}

// A block is never pinned smaller than it was before: the code sized
// against the earlier layout may need what it had.
void pin_block(void *p, symbol *f, uint32_t) {
  pin_walk &w = *static_cast<pin_walk *>(p);
  f->levels_called |= cg_level_mask();
  uint32_t size = stack_block_size(f);
  if (f->cg->flags & CG_POINTER) {
    w.top = std::max(w.top, f->cg->base + size);
    return;
  }
  pin_key key = {f, cg_level_mask()};
  if (auto aligned = align_bases.find(key); aligned != align_bases.end())
    f->cg->base = std::max(f->cg->base, aligned->second);
  uint32_t &floor = pin_floors[key];
  size = floor = std::max(size, floor);
  // Within one bank: the whole block when it fits in one, else its
  // temporaries, which no operand names by a bank of its own.
  uint32_t first = w.origin + f->cg->base, lo = 0;
  if (size > BANK_BYTES) lo = std::min(f->params_size + f->autos_size, size - 1);
  if (size > BANK_BYTES)
    f->cg->base += bank_safe_shift(f, first, lo, size);
  else if (size)
    f->cg->base += temps_shift(first, lo, size);
  pinned_blocks[key] = {w.origin + f->cg->base, size};
  w.top = std::max(w.top, f->cg->base + size);
  raise_callees(f, f->cg->base + size);
}

// The blocks of main's tree from 0, then each interrupt level's above all
// before it; `visit` places each block and raises its callees.
uint32_t lay_out_blocks(void (*visit)(void *, symbol *, uint32_t), void *ctx, uint32_t *top) {
  cg_traverse_all(
      [](void *, symbol *f, uint32_t) {
        f->cg->base = 0;
        f->levels_called = 0;
      },
      nullptr, VISIT_ALL);
  cg_set_level_mask(1);
  cg_traverse(cg_main(), visit, ctx, VISIT_ALL | VISIT_ARGUMENT_EDGES);
  vec *groups = cg_level_groups();
  for (uint32_t g = 0; g < vec_size(groups); g++) {
    level_group *group = item<level_group>(groups, g);
    cg_set_level_mask(1u << group->level);
    group->stack_start = *top;
    for (uint32_t r = 0; r < vec_size(group->roots); r++) {
      symbol *root = item<symbol>(group->roots, r);
      if (root->cg) root->cg->base = *top;
    }
    for (uint32_t r = 0; r < vec_size(group->roots); r++)
      cg_traverse(item<symbol>(group->roots, r), visit, ctx, VISIT_ALL | VISIT_ARGUMENT_EDGES);
  }
  cg_set_level_mask(1);
  return *top;
}

// Locals in memory: the register allocation's records decide. A volatile
// local that is only stored to keeps its stores, so it needs its bytes too.
bool needs_memory(symbol *v) {
  if (v->flags2 & SYM2_HAS_RECORDS) return v->flags2 & SYM2_IN_MEMORY;
  return v->use_count != 0 || (v->flags2 & SYM2_FIXED);
}

void write_equate_line(symbol *v, const char *area, symbol *f, int offset) {
  char *name = str_dup(sym_asm_name(v));
  out_printf("%s\tequ\t%s%s+%d\n", name, area, sym_level_name(f), offset);
  xfree(name);
  emit_global_equ(v);
}

void write_debug_locals(symbol *f) {
  const optim_debug_writer *debug = optim_debug();
  if (!debug || !debug->record || model.output_suppressed) return;
  vec *autos = vec_dup(f->autos);
  stack_sort_locals(autos);
  for (uint32_t k = 0; k < vec_size(autos); k++) debug->record(item<symbol>(autos, k));
  vec_free(autos);
  for (uint32_t k = 0; k < vec_size(f->params); k++) debug->record(item<symbol>(f->params, k));
}

// Offsets for locals in sort order from 0, through `place`; the result is
// their size. A temporary the rewriting made lives only within the code of
// the statement that made it, so temporaries of different statements share
// bytes, after the other locals.
template <typename F>
uint32_t lay_out(const vec *locals, F place) {
  uint32_t sum = 0;
  for (uint32_t k = 0; k < vec_size(locals); k++) {
    symbol *v = item<symbol>(locals, k);
    if (v->statement) continue;
    uint32_t offset = round_up(sum, type_align(v->type));
    place(v, offset);
    sum = offset + type_size(v->type);
  }
  std::map<uint32_t, uint32_t> ends;  // statement -> end of its temporaries
  uint32_t top = sum;
  for (uint32_t k = 0; k < vec_size(locals); k++) {
    symbol *v = item<symbol>(locals, k);
    if (!v->statement) continue;
    uint32_t &end = ends.try_emplace(v->statement, sum).first->second;
    uint32_t offset = round_up(end, type_align(v->type));
    place(v, offset);
    end = offset + type_size(v->type);
    top = std::max(top, end);
  }
  return top;
}

const pinned_block *pinned_of(const symbol *f) {
  auto found = pinned_blocks.find({f, cg_level_mask()});
  if (found != pinned_blocks.end()) return &found->second;
  // A function not copied per level has one block, wherever it is reached from.
  auto any = pinned_blocks.lower_bound({f, 0});
  return any != pinned_blocks.end() && any->first.first == f ? &any->second : nullptr;
}

// A pinned block's areas are defined here, so the linker lays out no copy.
void write_pinned_areas(symbol *f, const char *level_name, bool with_globals = false) {
  uint32_t address = stack_block_address(f);
  if (address == STACK_NOT_PINNED || (f->flags2 & SYM2_REENTRANT)) return;
  if (stack_block_size(f) > pinned_of(f)->size) sym_report_program(1253, stack_size(), stack_size() > 1 ? "s" : "");
  if (with_globals) out_printf("\tglobal\t??%s\n\tglobal\t?%s\n", level_name, level_name);
  out_printf("?%s\tequ\t0%Xh\n??%s\tequ\t0%Xh\n", level_name, address, level_name, address + f->params_size);
}

// The functions a pointer may call take their arguments in one area, the
// pointer's: their blocks must begin at one address. Each member of a set
// gets the highest base of the set's blocks until they all agree.
bool align_pointer_targets(uint32_t origin) {
  bool aligned = true;
  vec *sets = ptr_sets_list();
  for (uint32_t k = 0; k < vec_size(sets); k++) {
    ptr_targets *set = item<ptr_targets>(sets, k);
    std::vector<pin_key> members;
    uint32_t lowest = ~0u, highest = 0;
    for (uint32_t t = 0; t < vec_size(set->targets); t++) {
      const symbol *f = item<ptr_targets>(set->targets, t)->owner;
      if (!f || !type_is_function(f->type) || (f->flags2 & SYM2_REENTRANT)) continue;
      for (auto b = pinned_blocks.lower_bound({f, 0}); b != pinned_blocks.end() && b->first.first == f; ++b) {
        members.push_back(b->first);
        lowest = std::min(lowest, b->second.address);
        highest = std::max(highest, b->second.address);
      }
    }
    if (lowest == highest || members.size() < 2) continue;
    aligned = false;
    for (const pin_key &m : members) align_bases[m] = highest - origin;
  }
  return aligned;
}

uint32_t log2_of(uint32_t mask) { return mask ? uint32_t(31 - __builtin_clz(mask)) : 0; }

}  // namespace

uint32_t stack_autos_part(const symbol *f) {
  return f->autos_size + f->temps_size + f->template_extra + f->save_bytes;
}

uint32_t stack_block_size(const symbol *f) { return stack_autos_part(f) + f->params_size; }

void stack_sort_locals(vec *locals) { vec_sort(locals, compare_locals); }

void stack_widen_param_area(symbol *f) {
  // Calls may bind more bytes than the declared parameters hold (a
  // variadic function's arguments).
  if (f->arg_max > f->params_size) f->params_size = f->arg_max;
  if (f->arg_max2 > f->params_size) f->params_size = f->arg_max2;
  uint32_t ret = return_size(f);
  if (f->cg && (f->cg->flags & CG_RETURNS_IN_PARAMS) && ret >= 2 && ret <= 4 && f->params_size < ret)
    f->params_size = ret;
}

void size_function(symbol *f) {
  if (!f || !f->cg) return;
  if (f->cg->flags & CG_POINTER) {
    cg_pointer_regs(f);
    return;
  }
  stack_widen_param_area(f);
  if (f->ctx) {
    symbol *saved = sym_current_function();
    sym_set_current_function(f);
    auto size_autos = [f]() {
      stack_sort_locals(f->autos);
      f->autos_size = lay_out(f->autos, [](symbol *, uint32_t) {});
      for (uint32_t k = 0; k < vec_size(f->reg_params); k++) {
        symbol *p = item<symbol>(f->reg_params, k);
        f->autos_size = round_up(f->autos_size, type_align(p->type)) + type_size(p->type);
      }
    };
    size_autos();
    if (!f->used_regs) f->used_regs = iset_alloc();
    iset_clear(f->used_regs);
    bsr_forget(~0u);
    rset_temps_reset(TEMPS_FUNCTION);
    for (uint32_t k = 0; k < vec_size(f->reg_params); k++) {
      symbol *p = item<symbol>(f->reg_params, k);
      iset_union(f->used_regs, rset_of(p->reg));
      p->flags2 |= SYM2_REG_HELD | SYM2_IN_REGISTER;
    }
    uint32_t autos = vec_size(f->autos);
    emit_reset_free_regs();
    bool silent = model.output_suppressed;
    model.output_suppressed = true;
    cgen_reset_function_counters();
    emit_function_entry(f->param_reg, f);
    for (uint32_t k = 0; k < vec_size(f->ctx->statements); k++) {
      if (!fit_statement(f->ctx, k)) continue;
      tree_node *t = item<tree_node>(f->ctx->statements, k);
      cgen_emit_tree(t, 0);
      if (t->sets[RS_USED]) iset_union(f->used_regs, t->sets[RS_USED]);
    }
    // Temporaries of statements fitted in pieces.
    if (vec_size(f->autos) != autos) size_autos();
    emit_function_exit(f->param_reg, f->autos_size, f->params_size, f);
    model.output_suppressed = silent;
    f->template_extra = cgen_template_extra();
    f->temps_size = rset_temps_high();
    sym_set_current_function(saved);
  }
  stack_widen_param_area(f);
}

void compute_stack_bases() {
  optim_recount_data();
  uint32_t top = 0;
  compiled_stack_size = lay_out_blocks(place_block, &top, &top);
}

uint32_t stack_size() { return compiled_stack_size; }

uint32_t stack_pin_blocks(uint32_t origin) {
  stack_is_pinned = true;
  align_bases.clear();
  pin_walk w;
  // Each round only raises bases, so the rounds end, at worst with more
  // bytes than memory has.
  do {
    pinned_blocks.clear();
    w = {origin, 0};
    lay_out_blocks(pin_block, &w, &w.top);
  } while (!align_pointer_targets(origin));
  return w.top;
}


void stack_accept_pins() {
  pins_changed = pinned_blocks != accepted_pins;
  accepted_pins = pinned_blocks;
}

void stack_unpin() {
  pinned_blocks.clear();
  stack_is_pinned = false;
}

void stack_forget_pins() {
  stack_unpin();
  accepted_pins.clear();
  pin_floors.clear();
  pins_changed = false;
}

bool stack_pinned() { return stack_is_pinned; }

bool stack_pins_settled() { return !stack_is_pinned || !pins_changed; }

bool stack_pins_outgrown() {
  bool outgrown = false;
  for (auto &[key, floor] : pin_floors)
    if (uint32_t size = stack_block_size(key.first); size > floor) {
      floor = size;
      outgrown = true;
    }
  return stack_is_pinned && outgrown;
}

uint32_t stack_block_address(const symbol *f) {
  if (!stack_is_pinned || !f) return STACK_NOT_PINNED;
  const pinned_block *b = pinned_of(f);
  return b ? b->address : STACK_NOT_PINNED;
}

namespace {

// Offsets for f's locals from what the register allocation left in memory;
// their equates too when `write` is set.
void place_locals(symbol *f, bool write) {
  bool reentrant = is_reentrant(f);
  uint32_t autos_before = f->autos_size;
  vec *locals = vec_new_default();
  for (uint32_t k = 0; k < vec_size(f->autos); k++) {
    symbol *v = item<symbol>(f->autos, k);
    if (!(v->flags2 & SYM2_HAS_RECORDS)) v->flags2 &= ~SYM2_IN_MEMORY;
    if (needs_memory(v)) v->flags2 |= SYM2_IN_MEMORY;
    vec_push(locals, v);
  }
  // A register parameter that must also be kept in memory lives among the autos.
  for (uint32_t k = 0; k < vec_size(f->reg_params); k++) {
    symbol *p = item<symbol>(f->reg_params, k);
    if (p->flags2 & SYM2_IN_MEMORY) vec_push(locals, p);
  }
  stack_sort_locals(locals);
  int32_t sum = 0;
  if (!reentrant) {
    for (uint32_t k = vec_size(locals); k-- > 0;)
      if (!(item<symbol>(locals, k)->flags2 & SYM2_IN_MEMORY)) vec_remove_at(locals, k);
    sum = int32_t(lay_out(locals, [f, write](symbol *v, uint32_t offset) {
      v->offset = uint16_t(offset);
      if (write) write_equate_line(v, "??", f, int(offset));
    }));
  }
  for (uint32_t k = 0; reentrant && k < vec_size(locals); k++) {
    symbol *v = item<symbol>(locals, k);
    if (!(v->flags2 & SYM2_IN_MEMORY)) continue;
    int32_t m = int32_t(type_align(v->type)), s = int32_t(type_size(v->type));
    int32_t r = (sum - s - m) % (m + 1);
    sum = sum - (s + m) - r;
    v->offset = uint16_t(int16_t(sum));
    if (write) out_printf(";%s\toffset\t%d\n", sym_asm_name(v), sum);
  }
  vec_free(locals);
  vec *params = vec_size(f->params) ? f->params : f->fake_params;
  for (uint32_t k = 0; write && k < vec_size(params); k++) {
    symbol *p = item<symbol>(params, k);
    if (!(p->flags & SYM_PARAM_IN_MEMORY) || p->reg) continue;
    if (reentrant)
      out_printf(";%s\toffset=%d (param)\n", sym_asm_name(p), int(p->offset));
    else
      write_equate_line(p, "?", f, p->offset);
  }
  // A software-stack frame grows downwards: its size is the distance reached.
  f->autos_size = uint32_t(sum < 0 ? -sum : sum);
  // A block with an address of its own keeps its temporaries where the
  // code chosen for it put them.
  if (!reentrant && stack_pinned()) f->autos_size = std::max(f->autos_size, autos_before);
}

}  // namespace

void stack_place_locals(symbol *f) {
  if (f && f->ctx) place_locals(f, false);
}

void layout_locals(symbol *f) {
  uint32_t level = cg_level_mask();
  if (!f || !f->ctx || (f->levels_laid_out & level)) return;
  bool plain = !*sym_level_prefix(f);
  if (plain && f->cg && f->cg->plain_laid_out) {
    f->levels_laid_out |= level;
    return;
  }
  if (plain && f->cg) f->cg->plain_laid_out |= level;
  place_locals(f, true);
  f->levels_laid_out |= level;
}

void write_function(symbol *f) {
  uint32_t level = cg_level_mask();
  if (!f || !f->cg || !(f->cg->flags & CG_FUNCTION)) return;
  bool reentrant = is_reentrant(f);
  if (f->levels_written && reentrant) return;
  if (!reentrant && level > 1 && !(f->levels_written & level) && !(type_qualifiers(f->type) & Q_INTERRUPT)) {
    // Where it is also active below this level, the linker lays this
    // level's copy out under the interrupt level's root only.
    uint32_t n = log2_of(level);
    uint32_t word = f->ctx ? f->ctx->levels : f->levels_entry;
    for (uint32_t d = 1; level >> d; d++)
      if (word & (1u << (n - d))) out_printf("\tglobal\tintlevel%u\n\tFNBREAK\t%s,intlevel%u\n", d, sym_level_name(f), d);
  }
  if ((f->levels_written & level) || (f->flags2 & SYM2_INLINE)) return;
  f->levels_written |= level;
  // A function not copied per level keeps one name: it is written once.
  bool plain = !*sym_level_prefix(f);
  if (plain && f->cg->plain_written) return;
  if (plain) f->cg->plain_written |= level;
  if ((f->flags & SYM_ABSOLUTE) && (f->flags & SYM_COMPILER_MADE)) return;
  char *level_name = str_dup(sym_level_name(f));
  if (strcmp(level_name, sym_asm_name(f)) != 0) out_printf("\tglobal\t%s\n", level_name);
  if (!f->ctx) {
    if (!model.output_suppressed && !reentrant && (f->params_size || stack_autos_part(f))) {
      out_printf("\tFNSIZE\t%s,%u,%u\n", level_name, stack_autos_part(f), f->params_size);
      write_pinned_areas(f, level_name, true);
    }
    if (!(f->flags & SYM_DECLARED_ONLY)) {
      xfree(level_name);
      return;
    }
  }
  emit_global_equ(f);
  if (!reentrant) {
    out_printf("\tglobal\t??%s\n", level_name);
    out_printf("\tglobal\t?%s\n", level_name);
    write_pinned_areas(f, level_name);
  }
  if (!f->ctx) {
    xfree(level_name);
    return;
  }
  const optim_debug_writer *debug = optim_debug();
  f->flags2 &= ~SYM2_NOT_WRITTEN;
  if (debug && debug->open_function) debug->open_function(f);
  write_debug_locals(f);
  symbol *saved = sym_current_function();
  sym_set_current_function(f);
  rset_temps_reset(TEMPS_FUNCTION);
  iset_clear(rset_function_used());
  emit_reset_free_regs();
  emit_select_psect(OUTPUT_FUNCTION_TEXT, type_qualifiers(f->type));
  emit_psect(nullptr, 0);
  emit_line_directive(f->line, f->file, 1);
  const char *name = sym_asm_name(f);
  if (!model.output_suppressed) out_printf("\t__size_of%s\tequ\t__end_of%s-%s\n", name, name, name);
  emit_function_entry(f->param_reg, f);
  write_function_code(f->ctx, RA_OUTPUT);
  if (!model.output_suppressed && !reentrant)
    out_printf("\tFNSIZE\t%s,%u,%u\n", level_name, stack_autos_part(f), f->params_size);
  int end_line = f->ctx->alloc ? f->ctx->alloc->end_line : f->line;
  if (debug && debug->close_function) debug->close_function(f, end_line, f->autos_size);
  if (!model.output_suppressed) out_printf("; =============== function %s ends ============\n\n", name);
  emit_line_directive(end_line, f->file, 0);
  out_printf("\tsignat\t%s,%u\n", name, unsigned(sym_signature(f)));
  sym_set_current_function(saved);
  xfree(level_name);
}
