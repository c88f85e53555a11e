#include "codegen/model/bsr.h"

#include "codegen/model/callgraph.h"
#include "codegen/model/optim.h"
#include "codegen/model/ptrtargets.h"
#include "codegen/model/regalloc.h"
#include "codegen/model/symbols.h"
#include "codegen/model/tree.h"
#include "codegen/model/types.h"
#include "common/vector.h"

bsr_state bsr_current;
uint32_t bsr_changed;

namespace {

bool used;
bool pass_changed;
bool settled = true;

bool same(bsr_state a, bsr_state b) { return a.known == b.known && (a.value & a.known) == (b.value & b.known); }

bool merging() { return optim_phase() >= PHASE_BANK_REFINEMENT; }

// The functions a call may enter: the identifier called, or every target of
// the expression called through.
vec *callees_of(const tree_node *call) {
  vec *out = vec_new_default();
  const tree_node *callee = call->left;
  if (callee && callee->op == OP_ID && type_is_function(callee->sym->type)) {
    vec_push(out, callee->sym);
    return out;
  }
  ptr_targets *set = nullptr;
  uint32_t depth = 1;
  if (call->callee && call->callee->targets && !type_is_function(call->callee->type)) {
    set = call->callee->targets;
  } else if (callee) {
    set = callee->targets;
    depth = callee->indir;
  }
  vec *reached = ptr_targets_reach(set, depth);
  for (uint32_t k = 0; k < vec_size(reached); k++) {
    symbol *s = static_cast<ptr_targets *>(vec_get(reached, k))->owner;
    if (s && type_is_function(s->type)) vec_push_unique(out, s);
  }
  vec_free(reached);
  return out;
}

bsr_summary *summary_of(symbol *f) { return &cg_record(f)->bank; }

bool is_call(const tree_node *t) { return t && (t->op == OP_CALL || t->op == OP_CALLZAP); }

// A function called at several interrupt levels has a copy of its block at
// each, possibly in other banks; its code is tracked at one level only.
bool copied_per_level(const symbol *f) {
  uint32_t levels = f->levels_called;
  return (levels & (levels - 1)) != 0 && !(type_qualifiers(f->type) & Q_INTERRUPT);
}

}  // namespace

void bsr_forget(uint32_t mask) {
  used = true;
  bsr_changed |= mask;
  bsr_current.known &= ~mask;
}

void bsr_set_known(uint32_t mask, uint32_t value) {
  used = true;
  bsr_changed |= mask;
  bsr_current.known |= mask;
  bsr_current.value = (bsr_current.value & ~mask) | (value & mask);
}

bool bsr_all_known(uint32_t mask) {
  used = true;
  return (bsr_current.known & mask) == mask;
}

uint32_t bsr_known_value(uint32_t mask) {
  used = true;
  return bsr_current.value & bsr_current.known & mask;
}

bsr_state bsr_meet(bsr_state a, bsr_state b) {
  return {a.known & b.known & ~(a.value ^ b.value), a.value};
}

bsr_state bsr_combine(bsr_state earlier, bsr_state later) {
  uint32_t only_later = later.known & ~earlier.known;
  return {earlier.known | later.known, (earlier.value & earlier.known) | (later.value & only_later)};
}

void bsr_call_entry(const tree_node *call) {
  used = true;
  if (!is_call(call) || !merging()) return;
  vec *callees = callees_of(call);
  for (uint32_t k = 0; k < vec_size(callees); k++) {
    bsr_summary *s = summary_of(static_cast<symbol *>(vec_get(callees, k)));
    s->entry = s->entry_set ? bsr_meet(s->entry, bsr_current) : bsr_current;
    s->entry_set = true;
  }
  vec_free(callees);
}

void bsr_call_exit(const tree_node *call) {
  used = true;
  if (!is_call(call)) return;
  vec *callees = callees_of(call);
  // Nothing known of where the call goes: every bit may change.
  bsr_state left = {0, 0};
  for (uint32_t k = 0; k < vec_size(callees); k++) {
    bsr_summary *s = summary_of(static_cast<symbol *>(vec_get(callees, k)));
    bsr_current.known &= s->preserved;
    bsr_changed |= ~s->preserved;
    left = k == 0 ? s->exit : bsr_meet(left, s->exit);
  }
  if (!vec_size(callees)) bsr_forget(~0u);
  vec_free(callees);
  bsr_current = bsr_combine(bsr_current, left);
}

bool bsr_end_block(bsr_block *block) {
  block->own = {bsr_current.known & bsr_changed, bsr_current.value};
  block->preserved = ~bsr_changed;
  bsr_state exit = bsr_combine({block->entry.known & block->preserved, block->entry.value}, block->own);
  if (same(exit, block->exit)) return false;
  block->exit = exit;
  pass_changed = true;
  return true;
}

void bsr_summarise(func_ctx *ctx) {
  if (!used || !ctx || !ctx->alloc) return;
  ra_function *ra = ctx->alloc;
  bsr_summary *summary = summary_of(ctx->function);
  uint32_t nb = vec_size(ra->blocks);
  if (!settled || copied_per_level(ctx->function)) {
    for (uint32_t j = 0; j < nb; j++) {
      ra_block *b = static_cast<ra_block *>(vec_get(ra->blocks, j));
      b->bank.entry = {0, 0};
    }
    summary->exit = {0, 0};
    summary->preserved = 0;
    return;
  }
  for (int pass = 0; pass < BSR_SUMMARY_PASSES; pass++) {
    bool changed = false;
    for (uint32_t j = 0; j < nb; j++) {
      ra_block *b = static_cast<ra_block *>(vec_get(ra->blocks, j));
      if (b->removed) continue;
      bsr_state entry = summary->entry;
      bool first = true;
      bool self = false;
      for (uint32_t p = 0; p < vec_size(b->preds); p++) {
        uint32_t from = uint32_t(uintptr_t(vec_get(b->preds, p)));
        if (from == j) {
          self = true;
          continue;
        }
        bsr_state other = static_cast<ra_block *>(vec_get(ra->blocks, from))->bank.exit;
        entry = first ? other : bsr_meet(entry, other);
        first = false;
      }
      if (j == 0 && !first) entry = bsr_meet(entry, summary->entry);
      b->bank.entry = entry;
      bsr_state exit = bsr_combine({entry.known & b->bank.preserved, entry.value}, b->bank.own);
      if (self) b->bank.entry = bsr_meet(b->bank.entry, exit);
      if (!same(exit, b->bank.exit)) {
        b->bank.exit = exit;
        pass_changed = true;
        changed = true;
      }
    }
    if (!changed) break;
    write_function_code(ctx, RA_TRACK);
  }
  summary->preserved = ~0u;
  int32_t last = -1;
  for (uint32_t j = 0; j < nb; j++) {
    ra_block *b = static_cast<ra_block *>(vec_get(ra->blocks, j));
    if (b->removed) continue;
    summary->preserved &= b->bank.preserved;
    last = int32_t(j);
  }
  if (last >= 0) summary->exit = static_cast<ra_block *>(vec_get(ra->blocks, uint32_t(last)))->bank.exit;
}

void bsr_settle(bool now) { settled = now; }

bool bsr_used() { return used; }
bool bsr_pass_changed() { return pass_changed; }
void bsr_clear_pass_changed() { pass_changed = false; }

void bsr_reset() {
  bsr_current = {0, 0};
  bsr_changed = 0;
  used = false;
  pass_changed = false;
  settled = true;
}
