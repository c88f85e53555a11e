#include "codegen/model/regalloc.h"

#include <algorithm>
#include <map>
#include <set>
#include <vector>

#include "codegen/model/callgraph.h"
#include "codegen/model/funcprep.h"
#include "codegen/model/iset.h"
#include "codegen/model/ops.h"
#include "codegen/model/optim.h"
#include "codegen/model/progstate.h"
#include "codegen/model/regs.h"
#include "codegen/model/rewrite.h"
#include "codegen/model/simplify.h"
#include "codegen/model/stack.h"
#include "codegen/model/symbols.h"
#include "codegen/model/target_services.h"
#include "codegen/model/tree.h"
#include "codegen/model/types.h"
#include "codegen/model/walk.h"
#include "common/alert.h"
#include "common/alloc.h"
#include "common/lists.h"
#include "common/vector.h"

namespace {

struct regalloc_state {
  bool saw_reentrant, saw_nonreentrant;
  bool tracking_comments;
  bool building_again;  // tables rebuilt after a change: no messages
  vec *grown;           // functions whose frames the allocation's fitting grew
};
regalloc_state &rs() {
  static regalloc_state state;
  return state;
}

template <typename T>
T *item(const vec *v, uint32_t k) {
  return static_cast<T *>(vec_get(v, k));
}

uint32_t index_of(const vec *v, uint32_t k) { return uint32_t(uintptr_t(vec_get(v, k))); }
void *as_item(uint32_t n) { return reinterpret_cast<void *>(uintptr_t(n)); }

// ---- tables ----

void free_block(ra_block *b) {
  vec_free(b->statements);
  vec_free(b->preds);
  vec_free(b->succs);
  iset_free(b->needed);
  xfree(b->records);
  xfree(b);
}

void free_tables(ra_function *ra) {
  for (uint32_t k = 0; k < vec_size(ra->blocks); k++) free_block(item<ra_block>(ra->blocks, k));
  for (uint32_t k = 0; k < vec_size(ra->vars); k++) xfree(vec_get(ra->vars, k));
  for (uint32_t k = 0; k < vec_size(ra->webs); k++) {
    ra_web *w = item<ra_web>(ra->webs, k);
    vec_free(w->blocks);
    iset_free(w->available);
    xfree(w);
  }
  vec_clear(ra->blocks);
  vec_clear(ra->vars);
  vec_clear(ra->webs);
  vec_clear(ra->table);
}

ra_function *tables_of(func_ctx *ctx) {
  if (!ctx->alloc) {
    ctx->alloc = static_cast<ra_function *>(xalloc(sizeof(ra_function)));
    ctx->alloc->function = ctx->function;
    ctx->alloc->table = vec_new(100);
    ctx->alloc->vars = vec_new_default();
    ctx->alloc->blocks = vec_new(100);
    ctx->alloc->webs = vec_new(100);
  }
  return ctx->alloc;
}

ra_block *block_at(ra_function *ra, uint32_t k) { return item<ra_block>(ra->blocks, k); }

ra_block *new_block(ra_function *ra, int32_t first) {
  ra_block *b = static_cast<ra_block *>(xalloc(sizeof(ra_block)));
  b->statements = vec_new_default();
  b->preds = vec_new_default();
  b->succs = vec_new_default();
  b->needed = iset_alloc();
  b->first = first;
  vec_push(ra->blocks, b);
  return b;
}

void flatten(tree_node *t, vec *table) {
  if (!t) return;
  if (t->op == OP_SEQ && t->left && t->right) {
    flatten(t->left, table);
    flatten(t->right, table);
    return;
  }
  vec_push(table, t);
}

// ---- candidates and references ----

bool is_candidate(symbol *f, symbol *s) {
  if (!s || type_is_function(s->type) || !s->type) return false;
  ctype *t = type_unqual(s->type);
  if (!t || t->kind == TY_ARRAY) return false;
  if ((s->flags2 & (SYM2_FIXED | SYM2_ADDRESS_TAKEN)) || (s->flags & (SYM_STACK_AREA | SYM_DECLARED_ONLY)))
    return false;
  // Every access of a volatile object goes to the object itself.
  if (type_qualifiers(s->type) & Q_VOLATILE) return false;
  if ((s->sclass == SC_AUTO || s->sclass == SC_PARAM || s->sclass == SC_REGISTER) && s->owner == f) return true;
  if (s->sclass == SC_EXTERN || s->sclass == SC_STATIC)
    return vec_size(s->direct_callers) == 1 && vec_get(s->direct_callers, 0) == f;
  return false;
}

struct ref_walk {
  ra_function *ra;
  std::map<symbol *, uint32_t> *numbers;
  int32_t index;
  // Per variable of this walk: what the statement does to it.
  std::map<uint32_t, uint8_t> *effects;
  // Variables whose address the function's code uses: they live in memory.
  const std::set<symbol *> *addressed;
};

// What a statement does to a variable: reads its value, writes it whole,
// writes part of it (a member or bit-field: the rest is kept), or writes it
// through a compound assignment (read and written).
enum : uint8_t { EFFECT_READ = 1, EFFECT_DEF = 2, EFFECT_WHOLE = 4, EFFECT_PARTIAL = 8 };

uint32_t var_number(ref_walk &w, symbol *s, bool make) {
  auto found = w.numbers->find(s);
  if (found != w.numbers->end()) return found->second;
  if (!make) return UINT32_MAX;
  ra_var *v = static_cast<ra_var *>(xalloc(sizeof(ra_var)));
  v->sym = s;
  v->sclass = s->sclass;
  v->first_ref = v->last_ref = v->first_def = v->last_def = -1;
  uint32_t n = vec_size(w.ra->vars);
  vec_push(w.ra->vars, v);
  (*w.numbers)[s] = n;
  return n;
}

void note(ref_walk &w, symbol *s, uint8_t effect) {
  uint32_t n = var_number(w, s, is_candidate(w.ra->function, s) && !w.addressed->count(s));
  if (n != UINT32_MAX) (*w.effects)[n] |= effect;
}

void walk_refs(ref_walk &w, tree_node *t, bool under_deref);

// The operand an assignment writes: a whole variable, or part of one.
void walk_target(ref_walk &w, tree_node *target, bool plain) {
  tree_node *base = target;
  bool whole = plain;
  while (base && (base->op == OP_BITFIELD || base->op == OP_DOT)) {
    base = base->left;
    whole = false;
  }
  // A store of fewer bytes than the variable has, as ((char *)&x)[0] = b
  // becomes, keeps the other bytes.
  if (base && base->op == OP_ID && base->sym && base->sym->type && base->type &&
      type_size(base->type) < type_size(base->sym->type))
    whole = false;
  if (base && base->op == OP_ID) {
    uint8_t effect = EFFECT_DEF;
    if (!whole && base == target && plain)
      effect |= EFFECT_PARTIAL;
    else if (whole)
      effect |= EFFECT_WHOLE;
    else if (base != target)
      effect |= EFFECT_PARTIAL;
    else
      effect |= EFFECT_READ;
    note(w, base->sym, effect);
    if (target != base) walk_refs(w, target->right, false);
    return;
  }
  walk_refs(w, target, false);
}

void walk_refs(ref_walk &w, tree_node *t, bool under_deref) {
  if (!t) return;
  if (t->op == OP_ID) {
    if (under_deref) t->sym->flags2 |= SYM2_UNDER_INDIRECTION;
    note(w, t->sym, EFFECT_READ);
    return;
  }
  uint32_t d = op_dope(t->op);
  if (op_is_binary(t->op) && (d & D_SIDE_EFFECT) && !(d & D_NON_VALUE) && t->op != OP_CALL) {
    walk_refs(w, t->right, false);
    walk_target(w, t->left, t->op == OP_ASSIGN);
    return;
  }
  if (t->op == OP_POSTINC || t->op == OP_POSTDEC) {
    walk_target(w, t->left, false);
    walk_refs(w, t->right, false);
    return;
  }
  for (uint32_t k = 0; k < vec_size(t->args); k++) walk_refs(w, item<tree_node>(t->args, k), false);
  if (op_has_operands(t->op)) walk_refs(w, t->left, t->op == OP_DEREF);
  if (op_is_binary(t->op)) walk_refs(w, t->right, under_deref && t->op != OP_DEREF);
}

typedef std::map<uint32_t, uint8_t> effect_map;

// Variables whose address is used where no pointer variable holds it, as in
// ((unsigned char *)&x)[1] = b: a write through the address changes the
// object in memory, which a copy in registers would not see.
void collect_addressed(tree_node *t, std::set<symbol *> &out) {
  tree_find(t, &out, [](tree_node *n, void *ctx) {
    if (n->op != OP_ADDR) return false;
    const tree_node *base = n->left;
    while (base && (base->op == OP_DOT || base->op == OP_BITFIELD)) base = base->left;
    if (base && base->op == OP_ID && base->sym) static_cast<std::set<symbol *> *>(ctx)->insert(base->sym);
    return false;  // every node is visited
  });
}

// The effects of one statement on the candidates.
effect_map statement_effects(ra_function *ra, std::map<symbol *, uint32_t> &numbers, tree_node *t, int32_t index,
                             const std::set<symbol *> &addressed) {
  effect_map effects;
  ref_walk w{ra, &numbers, index, &effects, &addressed};
  walk_refs(w, t, false);
  return effects;
}

// Every statement's effects, computed once per build.
struct effects_table {
  std::map<const tree_node *, effect_map> by_statement;
  const effect_map &of(const tree_node *t) {
    static const effect_map none;
    auto found = by_statement.find(t);
    return found == by_statement.end() ? none : found->second;
  }
};

// ---- blocks ----

int32_t label_of(const tree_node *t) {
  if (!t) return -1;
  switch (t->op) {
    case OP_LABEL:
    case OP_LABEL_EXIT:
    case OP_JUMP:
    case OP_JUMP_EXIT:
      return t->left && t->left->op == OP_CONST ? t->left->value : -1;
    case OP_CJUMP:
      return t->right && t->right->op == OP_CONST ? t->right->value : -1;
  }
  return -1;
}

bool ends_block(const tree_node *t) {
  return t->op == OP_CJUMP || t->op == OP_JUMP || t->op == OP_JUMP_EXIT || t->op == OP_SWITCH;
}

bool is_label(const tree_node *t) { return t->op == OP_LABEL || t->op == OP_LABEL_EXIT; }

// Labels of a switch: every case label in its chain, then the default.
void switch_labels(const tree_node *chain, std::vector<int32_t> &out) {
  while (chain && chain->op == OP_COMMA) {
    if (chain->left && chain->left->op == OP_CJUMP) out.push_back(label_of(chain->left));
    chain = chain->right;
  }
  if (chain && chain->op == OP_CJUMP) out.push_back(label_of(chain));
  if (chain && chain->op == OP_CONST) out.push_back(chain->value);
}

void make_blocks(ra_function *ra, std::map<int32_t, uint32_t> &labels) {
  const regset *all = rset_of(REG_ALLREG);
  ra_block *current = nullptr;
  for (uint32_t k = 0; k < vec_size(ra->table); k++) {
    tree_node *t = item<tree_node>(ra->table, k);
    if (is_label(t)) {
      if (!current || vec_size(current->statements)) current = new_block(ra, int32_t(k));
      // A return's jump reaches the exit label: its block stays reachable.
      labels[label_of(t)] = vec_size(ra->blocks) - 1;
      if (t->op == OP_LABEL_EXIT) ra->end_line = t->line;
      vec_push(current->statements, t);
      continue;
    }
    if (!current) current = new_block(ra, int32_t(k));
    // Statements needing other registers begin a block of their own.
    if (t->op != OP_JUMP && t->sets[RS_USED] && vec_size(current->statements) > 1) {
      regset *want = iset_dup(t->sets[RS_USED]);
      iset_intersect(want, all);
      regset *have = iset_dup(current->needed);
      iset_intersect(have, all);
      if (!iset_equal(want, have)) current = new_block(ra, int32_t(k));
      iset_free(want);
      iset_free(have);
    }
    if (t->sets[RS_USED]) iset_union(current->needed, t->sets[RS_USED]);
    vec_push(current->statements, t);
    if (ends_block(t)) current = nullptr;
  }
  if (!vec_size(ra->blocks)) new_block(ra, 0);
}

bool last_is_jump(const ra_block *b) {
  uint32_t n = vec_size(b->statements);
  return n && item<tree_node>(b->statements, n - 1)->op == OP_JUMP;
}

bool same_code(const ra_block *a, const ra_block *b) {
  uint32_t n = vec_size(a->statements);
  if (n != vec_size(b->statements)) return false;
  for (uint32_t k = 0; k < n; k++) {
    tree_node *x = item<tree_node>(a->statements, k), *y = item<tree_node>(b->statements, k);
    if (is_label(x) && is_label(y)) continue;
    if (!tree_equal(x, y)) return false;
  }
  return true;
}

// Blocks of the same statements that end in the same jump: the labels of
// the later one are defined at the earlier one instead.
void merge_tails(ra_function *ra, std::map<int32_t, uint32_t> &labels) {
  uint32_t n = vec_size(ra->blocks);
  for (uint32_t j = 1; j < n; j++) {
    ra_block *bj = block_at(ra, j);
    if (!last_is_jump(bj)) continue;
    for (uint32_t i = 0; i < j; i++) {
      ra_block *bi = block_at(ra, i);
      if (bi->removed || !last_is_jump(bi) || !same_code(bi, bj)) continue;
      uint32_t moved = 0;
      while (vec_size(bj->statements) && item<tree_node>(bj->statements, 0)->op == OP_LABEL) {
        tree_node *l = item<tree_node>(bj->statements, 0);
        vec_remove_at(bj->statements, 0);
        vec_insert(bi->statements, l, moved++);
        labels[label_of(l)] = i;
      }
      break;
    }
  }
}

uint32_t block_of_label(std::map<int32_t, uint32_t> &labels, int32_t label, uint32_t fallback) {
  auto found = labels.find(label);
  return found == labels.end() ? fallback : found->second;
}

void link_blocks(ra_function *ra, std::map<int32_t, uint32_t> &labels) {
  uint32_t n = vec_size(ra->blocks);
  for (uint32_t k = 0; k < n; k++) {
    ra_block *b = block_at(ra, k);
    vec_clear(b->succs);
    vec_clear(b->preds);
  }
  for (uint32_t k = 0; k < n; k++) {
    ra_block *b = block_at(ra, k);
    if (b->removed) continue;
    std::vector<uint32_t> succ;
    uint32_t count = vec_size(b->statements);
    tree_node *last = count ? item<tree_node>(b->statements, count - 1) : nullptr;
    if (last && last->op == OP_CJUMP) {
      succ.push_back(block_of_label(labels, label_of(last), k + 1));
      if (k + 1 < n) succ.push_back(k + 1);
    } else if (last && (last->op == OP_JUMP || last->op == OP_JUMP_EXIT)) {
      uint32_t target = block_of_label(labels, label_of(last), UINT32_MAX);
      if (target != UINT32_MAX) succ.push_back(target);
    } else if (last && last->op == OP_SWITCH) {
      std::vector<int32_t> ls;
      switch_labels(last->right, ls);
      for (int32_t l : ls) {
        uint32_t target = block_of_label(labels, l, UINT32_MAX);
        if (target != UINT32_MAX) succ.push_back(target);
      }
    } else if (last && last->op == OP_LABEL_EXIT) {
    } else if (k + 1 < n) {
      succ.push_back(k + 1);
    }
    std::sort(succ.begin(), succ.end());
    succ.erase(std::unique(succ.begin(), succ.end()), succ.end());
    for (uint32_t s : succ)
      if (s < n) vec_push(b->succs, as_item(s));
  }
  for (uint32_t k = 0; k < n; k++) {
    ra_block *b = block_at(ra, k);
    if (b->removed) continue;
    for (uint32_t s = 0; s < vec_size(b->succs); s++) vec_push_unique(block_at(ra, index_of(b->succs, s))->preds, as_item(k));
  }
  for (uint32_t k = 0; k < n; k++) {
    ra_block *b = block_at(ra, k);
    std::vector<uint32_t> p;
    for (uint32_t j = 0; j < vec_size(b->preds); j++) p.push_back(index_of(b->preds, j));
    std::sort(p.begin(), p.end());
    vec_clear(b->preds);
    for (uint32_t j : p) vec_push(b->preds, as_item(j));
  }
}

// Blocks nothing reaches lose their statements.
void remove_unreachable(ra_function *ra) {
  bool changed = true;
  while (changed) {
    changed = false;
    for (uint32_t k = 1; k < vec_size(ra->blocks); k++) {
      ra_block *b = block_at(ra, k);
      if (b->removed) continue;
      uint32_t preds = vec_size(b->preds);
      if (preds && !(preds == 1 && index_of(b->preds, 0) == k)) continue;
      b->removed = true;
      vec_clear(b->statements);
      for (uint32_t s = 0; s < vec_size(b->succs); s++) vec_remove(block_at(ra, index_of(b->succs, s))->preds, as_item(k));
      vec_clear(b->succs);
      vec_clear(b->preds);
      changed = true;
    }
  }
}

// ---- per-block facts and liveness ----

void fill_records(ra_function *ra, effects_table &effects) {
  uint32_t nv = vec_size(ra->vars);
  for (uint32_t k = 0; k < vec_size(ra->blocks); k++) {
    ra_block *b = block_at(ra, k);
    xfree(b->records);
    b->records = static_cast<ra_record *>(xalloc(sizeof(ra_record) * (nv ? nv : 1)));
    for (uint32_t v = 0; v < nv; v++) {
      ra_record &r = b->records[v];
      r.sym = item<ra_var>(ra->vars, v)->sym;
      r.from = r.to = r.first_ref = r.first_def = r.last_def = -1;
    }
    for (uint32_t s = 0; s < vec_size(b->statements); s++) {
      tree_node *t = item<tree_node>(b->statements, s);
      int32_t index = int32_t(vec_find(ra->table, t));
      for (auto [n, effect] : effects.of(t)) {
        if (n >= nv) continue;
        ra_record &r = b->records[n];
        ra_var *v = item<ra_var>(ra->vars, n);
        if (r.first_ref < 0) {
          r.first_ref = index;
          if ((effect & EFFECT_WHOLE) && !(effect & EFFECT_READ)) r.use_flags |= VAR_FIRST_PLAIN_ASSIGN;
        }
        r.refs++;
        v->refs++;
        if (v->first_ref < 0) v->first_ref = index;
        v->last_ref = index;
        r.to = index;
        // Its old value used before any whole assignment in this block: live on entry.
        if ((effect & (EFFECT_READ | EFFECT_PARTIAL)) && !(r.use_flags & VAR_WHOLE_STORE)) r.live_in = true;
        if (effect & EFFECT_READ) r.use_flags |= VAR_READ;
        if (effect & EFFECT_DEF) {
          r.use_flags |= VAR_DEFINED;
          if (r.first_def < 0) r.first_def = index;
          r.last_def = index;
          if (v->first_def < 0) v->first_def = index;
          v->last_def = index;
        }
        if (effect & EFFECT_WHOLE) r.use_flags |= VAR_WHOLE_STORE;
      }
    }
  }
}

bool keeps_value_across_calls(const ra_var *v) { return v->sclass == SC_EXTERN || v->sclass == SC_STATIC; }

// Backward liveness of the candidates over the blocks.
void compute_liveness(ra_function *ra) {
  uint32_t nv = vec_size(ra->vars), nb = vec_size(ra->blocks);
  std::vector<std::vector<bool>> in(nb, std::vector<bool>(nv)), out(nb, std::vector<bool>(nv)), exposed = in;
  for (uint32_t k = 0; k < nb; k++)
    for (uint32_t v = 0; v < nv; v++) exposed[k][v] = block_at(ra, k)->records[v].live_in;
  bool changed = true;
  while (changed) {
    changed = false;
    for (uint32_t k = nb; k-- > 0;) {
      ra_block *b = block_at(ra, k);
      if (b->removed) continue;
      for (uint32_t v = 0; v < nv; v++) {
        bool live_out = false;
        for (uint32_t s = 0; s < vec_size(b->succs); s++) live_out = live_out || in[index_of(b->succs, s)][v];
        // A static keeps its value for the next call.
        if (!vec_size(b->succs) && keeps_value_across_calls(item<ra_var>(ra->vars, v))) live_out = true;
        const ra_record &r = b->records[v];
        bool live_in = exposed[k][v] || (live_out && !(r.use_flags & VAR_WHOLE_STORE));
        if (live_out != out[k][v] || live_in != in[k][v]) {
          out[k][v] = live_out;
          in[k][v] = live_in;
          changed = true;
        }
      }
    }
  }
  for (uint32_t k = 0; k < nb; k++)
    for (uint32_t v = 0; v < nv; v++) {
      block_at(ra, k)->records[v].live_out = out[k][v];
      block_at(ra, k)->records[v].live_in = in[k][v];
    }
}

// Automatic variables that some path reads before assigning them: an
// assignment of any part counts, as a struct is often filled member by member.
void report_unassigned_reads(ra_function *ra, effects_table &effects) {
  uint32_t nv = vec_size(ra->vars), nb = vec_size(ra->blocks);
  std::vector<std::vector<bool>> assigned_out(nb, std::vector<bool>(nv, true));
  auto assigned_in = [&](uint32_t k, uint32_t v) {
    ra_block *b = block_at(ra, k);
    if (k == 0 || !vec_size(b->preds)) return false;
    for (uint32_t p = 0; p < vec_size(b->preds); p++)
      if (!assigned_out[index_of(b->preds, p)][v]) return false;
    return true;
  };
  for (bool changed = true; changed;) {
    changed = false;
    for (uint32_t k = 0; k < nb; k++) {
      ra_block *b = block_at(ra, k);
      if (b->removed) continue;
      for (uint32_t v = 0; v < nv; v++) {
        bool assigned = assigned_in(k, v) || (b->records[v].use_flags & VAR_DEFINED);
        if (assigned != assigned_out[k][v]) {
          assigned_out[k][v] = assigned;
          changed = true;
        }
      }
    }
  }
  std::vector<bool> reported(nv);
  for (uint32_t k = 0; k < nb; k++) {
    ra_block *b = block_at(ra, k);
    if (b->removed) continue;
    std::vector<bool> assigned(nv);
    for (uint32_t v = 0; v < nv; v++) assigned[v] = assigned_in(k, v);
    for (uint32_t s = 0; s < vec_size(b->statements); s++) {
      tree_node *t = item<tree_node>(b->statements, s);
      for (auto [v, effect] : effects.of(t)) {
        if (v >= nv) continue;
        ra_var *var = item<ra_var>(ra->vars, v);
        if ((effect & EFFECT_READ) && !assigned[v] && !reported[v] && !rs().building_again && var->sclass == SC_AUTO &&
            !(var->sym->flags & SYM_COMPILER_MADE)) {
          reported[v] = true;
          const char *file = sym_current_file();
          int line = sym_current_line();
          sym_set_position(t->file ? t->file : file, t->line);
          const char *name = var->sym->source_name;
          msg(748, name && name[0] ? name + 1 : var->sym->name);
          sym_set_position(file, line);
        }
        if (effect & EFFECT_DEF) assigned[v] = true;
      }
    }
  }
}

// An assignment to an automatic variable that nothing reads afterwards
// keeps only the side effects of its value; true when one went.
bool drop_dead_stores(func_ctx *ctx) {
  ra_function *ra = ctx->alloc;
  bool dropped = false;
  for (uint32_t k = 0; k < vec_size(ra->blocks); k++) {
    ra_block *b = block_at(ra, k);
    for (uint32_t v = 0; v < vec_size(ra->vars); v++) {
      ra_var *var = item<ra_var>(ra->vars, v);
      const ra_record &r = b->records[v];
      if (var->sclass != SC_AUTO || r.refs != 1 || r.live_out || !(r.use_flags & VAR_WHOLE_STORE) ||
          (r.use_flags & VAR_READ) || (type_qualifiers(var->sym->type) & Q_VOLATILE))
        continue;
      for (uint32_t s = 0; s < vec_size(b->statements); s++) {
        tree_node *t = item<tree_node>(b->statements, s);
        if (t->op != OP_ASSIGN || !t->left || t->left->op != OP_ID || t->left->sym != var->sym) continue;
        tree_node *value = t->right;
        t->right = nullptr;
        int at = vec_find(ctx->statements, t);
        tree_free(t);
        // What the value does stays, as the statements it comes to: a
        // conversion of a call's result, or a sum of two, is no statement
        // that has a rule, the calls are.
        vec *parts = vec_new_default();
        if (value && tree_has_side_effect(value)) nodeRewrite(value, parts);
        else tree_free(value);
        vec_remove_at(b->statements, s);
        if (at >= 0) vec_remove_at(ctx->statements, uint32_t(at));
        for (uint32_t p = 0; p < vec_size(parts); p++) {
          vec_insert(b->statements, vec_get(parts, p), s + p);
          if (at >= 0) vec_insert(ctx->statements, vec_get(parts, p), uint32_t(at) + p);
        }
        vec_free(parts);
        dropped = true;
        break;
      }
    }
  }
  return dropped;
}

// ---- webs ----

regset *block_free_regs(ra_block *b, const regset *held) {
  regset *free_set = iset_dup(rset_of(REG_ALLREG));
  iset_subtract(free_set, held);
  iset_subtract(free_set, b->needed);
  return free_set;
}

void build_webs(ra_function *ra, const regset *held) {
  symbol *f = ra->function;
  if (f->levels_called != 1) return;
  uint32_t nb = vec_size(ra->blocks);
  for (uint32_t v = 0; v < vec_size(ra->vars); v++) {
    ra_var *var = item<ra_var>(ra->vars, v);
    if (!var->refs || !local_reg_class_for(var->sym, const_cast<regset *>(rset_of(REG_ALLREG)))) continue;
    std::vector<bool> taken(nb);
    for (uint32_t start = 0; start < nb; start++) {
      ra_block *b = block_at(ra, start);
      if (taken[start] || b->removed || !b->records[v].refs) continue;
      regset *avail = block_free_regs(b, held);
      if (!local_reg_class_for(var->sym, avail)) {
        iset_free(avail);
        continue;
      }
      ra_web *w = static_cast<ra_web *>(xalloc(sizeof(ra_web)));
      w->var = v;
      w->blocks = vec_new_default();
      w->available = avail;
      std::vector<uint32_t> pending{start};
      taken[start] = true;
      while (!pending.empty()) {
        uint32_t k = pending.back();
        pending.pop_back();
        vec_push(w->blocks, as_item(k));
        ra_block *bk = block_at(ra, k);
        for (vec *next : {bk->preds, bk->succs})
          for (uint32_t j = 0; j < vec_size(next); j++) {
            uint32_t n = index_of(next, j);
            ra_block *bn = block_at(ra, n);
            if (taken[n] || bn->removed) continue;
            bool live = next == bk->preds ? bn->records[v].live_out : bn->records[v].live_in;
            if (!live) continue;
            regset *here = block_free_regs(bn, held);
            regset *both = iset_dup(w->available);
            iset_intersect(both, here);
            iset_free(here);
            if (local_reg_class_for(var->sym, both)) {
              iset_assign(w->available, both);
              taken[n] = true;
              pending.push_back(n);
            }
            iset_free(both);
          }
      }
      std::vector<uint32_t> sorted;
      for (uint32_t j = 0; j < vec_size(w->blocks); j++) sorted.push_back(index_of(w->blocks, j));
      std::sort(sorted.begin(), sorted.end());
      vec_clear(w->blocks);
      for (uint32_t j : sorted) {
        vec_push(w->blocks, as_item(j));
        w->refs += block_at(ra, j)->records[v].refs;
      }
      w->first_block = sorted.front();
      w->last_block = sorted.back();
      uint32_t small = var->sym->small_size;
      w->priority = w->refs * small;
      if (var->sym->reg && iset_includes(w->available, rset_of(var->sym->reg))) w->priority += small;
      vec_push(ra->webs, w);
    }
  }
}

bool in_web(const ra_web *w, uint32_t block) { return vec_find(w->blocks, as_item(block)) >= 0; }

// Whether some block of the web assigns the variable: only then can its
// register hold a value that memory does not.
bool web_defines(ra_function *ra, const ra_web *w) {
  for (uint32_t j = 0; j < vec_size(w->blocks); j++)
    if (block_at(ra, index_of(w->blocks, j))->records[w->var].use_flags & VAR_DEFINED) return true;
  return false;
}

// The jump that ends a block, if one does.
tree_node *final_jump(const ra_block *b) {
  uint32_t n = vec_size(b->statements);
  tree_node *last = n ? item<tree_node>(b->statements, n - 1) : nullptr;
  return last && ends_block(last) ? last : nullptr;
}

// Loads where the variable arrives from memory, stores where memory must be
// current after: where a successor outside the web reads it from memory and
// the web may have changed it, whichever of its blocks did.
void mark_loads_stores(ra_function *ra, ra_web *w) {
  ra_var *var = item<ra_var>(ra->vars, w->var);
  bool defines = web_defines(ra, w);
  for (uint32_t j = 0; j < vec_size(w->blocks); j++) {
    uint32_t k = index_of(w->blocks, j);
    ra_block *b = block_at(ra, k);
    ra_record &r = b->records[w->var];
    r.flags &= uint8_t(~(RA_LOAD | RA_STORE));
    bool from_outside = k == 0 || !vec_size(b->preds);
    for (uint32_t p = 0; p < vec_size(b->preds); p++) from_outside = from_outside || !in_web(w, index_of(b->preds, p));
    if (from_outside && r.live_in) r.flags |= RA_LOAD;
    bool to_outside = !vec_size(b->succs) && keeps_value_across_calls(var);
    for (uint32_t s = 0; s < vec_size(b->succs); s++) {
      uint32_t n = index_of(b->succs, s);
      if (!in_web(w, n) && block_at(ra, n)->records[w->var].live_in) to_outside = true;
    }
    if (to_outside && defines) r.flags |= RA_STORE;
  }
  // A block that loads because some way in comes from outside the web
  // loads on every way in: the web's blocks that lead to it must have
  // stored the value first.
  if (!defines) return;
  for (uint32_t j = 0; j < vec_size(w->blocks); j++) {
    ra_block *b = block_at(ra, index_of(w->blocks, j));
    if (!(b->records[w->var].flags & RA_LOAD)) continue;
    for (uint32_t p = 0; p < vec_size(b->preds); p++) {
      uint32_t n = index_of(b->preds, p);
      if (in_web(w, n)) block_at(ra, n)->records[w->var].flags |= RA_STORE;
    }
  }
}

// Blocks of the web whose own loads and stores cost more than they save
// leave it, one at a time, until every block pays its way.
void weigh_web(ra_function *ra, ra_web *w) {
  for (bool dropped = true; dropped;) {
    dropped = false;
    mark_loads_stores(ra, w);
    for (uint32_t j = 0; j < vec_size(w->blocks) && !dropped; j++) {
      uint32_t k = index_of(w->blocks, j);
      ra_block *b = block_at(ra, k);
      ra_record &r = b->records[w->var];
      int benefit = r.refs;
      for (uint32_t s = 0; s < vec_size(b->succs); s++) {
        uint32_t n = index_of(b->succs, s);
        if (n != k && in_web(w, n) && block_at(ra, n)->records[w->var].live_in) benefit++;
      }
      for (uint32_t p = 0; p < vec_size(b->preds); p++) {
        uint32_t n = index_of(b->preds, p);
        if (n != k && in_web(w, n) && (block_at(ra, n)->records[w->var].use_flags & VAR_DEFINED) && r.live_in)
          benefit++;
      }
      benefit -= (r.flags & RA_LOAD ? 1 : 0) + (r.flags & RA_STORE ? 1 : 0);
      // The store goes before the block's final jump, which must not be the
      // one to change the variable: such a block keeps it in memory.
      tree_node *jump = final_jump(b);
      bool store_misplaced = (r.flags & RA_STORE) && jump && r.last_def == int32_t(vec_find(ra->table, jump));
      if (benefit >= 1 && !store_misplaced) continue;
      r.flags &= uint8_t(~(RA_LOAD | RA_STORE));
      vec_remove_at(w->blocks, j);
      dropped = true;
    }
  }
  uint32_t small = item<ra_var>(ra->vars, w->var)->sym->small_size;
  w->refs = 0;
  for (uint32_t j = 0; j < vec_size(w->blocks); j++) w->refs += block_at(ra, index_of(w->blocks, j))->records[w->var].refs;
  w->priority = w->refs * small;
}

bool names_symbol(tree_node *t, symbol *sym) {
  return tree_find(t, sym, [](tree_node *n, void *s) { return n->op == OP_ID && n->sym == static_cast<symbol *>(s); });
}

// Whether the statements of the web's blocks that name its variable still
// have code with the variable held in `reg`, beside the variables given
// registers there before: no rule may store to or work on a variable where
// it lives (a byte held in W stepped in place). Each block is matched as
// its code will be written.
bool web_fits(ra_function *ra, const ra_web *w, uint32_t reg) {
  uint32_t nv = vec_size(ra->vars);
  symbol *var = item<ra_var>(ra->vars, w->var)->sym;
  bool fits = true;
  for (uint32_t j = 0; j < vec_size(w->blocks) && fits; j++) {
    ra_block *b = block_at(ra, index_of(w->blocks, j));
    std::vector<std::pair<symbol *, std::pair<uint32_t, uint32_t>>> saved;
    regset *free_set = iset_dup(rset_free_regs());
    for (uint32_t v = 0; v < nv; v++) {
      uint32_t r = v == w->var ? reg : b->records[v].reg;
      if (!r) continue;
      symbol *s = b->records[v].sym;
      saved.push_back({s, {s->reg, s->flags2}});
      s->reg = r;
      s->flags2 |= SYM2_REG_HELD | SYM2_IN_REGISTER;
      iset_subtract(free_set, rset_of(r));
    }
    for (uint32_t k = 0; k < vec_size(b->statements) && fits; k++) {
      tree_node *t = item<tree_node>(b->statements, k);
      if (t->op == OP_ASM || is_label(t) || !names_symbol(t, var)) continue;
      // What the function needs is still worked out from the first fit.
      regset *used = t->sets[RS_USED] ? iset_dup(t->sets[RS_USED]) : nullptr;
      iset_clear(rset_busy());
      fits = cgen_match_tree(t, GOAL_STATEMENT, free_set);
      if (used) iset_assign(t->sets[RS_USED], used), iset_free(used);
    }
    for (size_t k = saved.size(); k-- > 0;) {
      saved[k].first->reg = saved[k].second.first;
      saved[k].first->flags2 = saved[k].second.second;
    }
    iset_free(free_set);
  }
  return fits;
}

void assign_webs(ra_function *ra) {
  symbol *f = ra->function;
  std::vector<ra_web *> pending;
  for (uint32_t k = 0; k < vec_size(ra->webs); k++) pending.push_back(item<ra_web>(ra->webs, k));
  while (!pending.empty()) {
    std::stable_sort(pending.begin(), pending.end(), [](ra_web *a, ra_web *b) { return a->priority > b->priority; });
    ra_web *w = pending.front();
    pending.erase(pending.begin());
    if (!w->refs) break;
    ra_var *var = item<ra_var>(ra->vars, w->var);
    if (var->sym->flags2 & SYM2_FIXED) continue;
    weigh_web(ra, w);
    if (!w->refs) continue;
    uint32_t small = var->sym->small_size;
    w->cost = 0;
    for (uint32_t j = 0; j < vec_size(w->blocks); j++) {
      const ra_record &r = block_at(ra, index_of(w->blocks, j))->records[w->var];
      if (r.flags & RA_LOAD) w->cost += small;
      if ((r.flags & RA_STORE) && !(index_of(w->blocks, j) == 0 && var->sym->reg)) w->cost += small;
    }
    uint32_t reg = 0;
    if (var->sym->reg && iset_includes(w->available, rset_of(var->sym->reg)))
      reg = var->sym->reg;
    else if (f->levels_called == 1) {
      regset *without_params = iset_dup(w->available);
      for (uint32_t k = 0; k < vec_size(f->reg_params); k++)
        iset_subtract(without_params, rset_of(item<symbol>(f->reg_params, k)->reg));
      reg = local_reg_class_for(var->sym, without_params);
      if (!reg) reg = local_reg_class_for(var->sym, w->available);
      iset_free(without_params);
    }
    if (!reg) continue;
    w->cost += w->refs * reg_cost(reg);
    if (w->priority < w->cost) continue;
    if (!web_fits(ra, w, reg)) continue;
    w->reg = reg;
    reg_add_leaves(rset_function_used(), reg);
    iset_subtract(w->available, rset_of(reg));
    for (uint32_t j = 0; j < vec_size(w->blocks); j++) {
      ra_block *b = block_at(ra, index_of(w->blocks, j));
      ra_record &r = b->records[w->var];
      r.reg = reg;
      r.from = b->first;
      r.flags |= RA_WHOLE;
      reg_add_leaves(b->needed, reg);
    }
    for (ra_web *other : pending) {
      bool shares = false;
      for (uint32_t j = 0; j < vec_size(w->blocks) && !shares; j++) shares = in_web(other, index_of(w->blocks, j));
      if (shares) iset_subtract(other->available, rset_of(reg));
    }
  }
}

// ---- output ----

void write_asm_text(tree_node *t) {
  emit_line_directive(t->line, t->file, 0);
  out_printf("%s\n", t->text ? t->text : "");
}

}  // namespace

namespace {

// The statement list as single statements: sequences are taken apart.
void flatten_statements(func_ctx *ctx) {
  vec *flat = vec_new_default();
  for (uint32_t k = 0; k < vec_size(ctx->statements); k++) {
    std::vector<tree_node *> pending{item<tree_node>(ctx->statements, k)};
    while (!pending.empty()) {
      tree_node *t = pending.back();
      pending.pop_back();
      if (t->op == OP_SEQ && t->left && t->right) {
        pending.push_back(t->right);
        pending.push_back(t->left);
        t->left = t->right = nullptr;
        tree_node_free(t);
        continue;
      }
      vec_push(flat, t);
    }
  }
  vec_clear(ctx->statements);
  vec_append(ctx->statements, flat);
  vec_free(flat);
}

void build_tables(func_ctx *ctx) {
  ra_function *ra = tables_of(ctx);
  free_tables(ra);
  ra->end_line = ctx->function->line;
  vec_append(ra->table, ctx->statements);
  std::map<symbol *, uint32_t> numbers;
  effects_table effects;
  std::set<symbol *> addressed;
  for (uint32_t k = 0; k < vec_size(ra->table); k++) collect_addressed(item<tree_node>(ra->table, k), addressed);
  for (uint32_t k = 0; k < vec_size(ra->table); k++) {
    tree_node *t = item<tree_node>(ra->table, k);
    effects.by_statement[t] = statement_effects(ra, numbers, t, int32_t(k), addressed);
  }
  std::map<int32_t, uint32_t> labels;
  make_blocks(ra, labels);
  merge_tails(ra, labels);
  link_blocks(ra, labels);
  remove_unreachable(ra);
  fill_records(ra, effects);
  compute_liveness(ra);
  report_unassigned_reads(ra, effects);
  for (uint32_t v = 0; v < vec_size(ra->vars); v++) item<ra_var>(ra->vars, v)->sym->flags2 |= SYM2_HAS_RECORDS;
}

}  // namespace

void ra_build(func_ctx *ctx) {
  flatten_statements(ctx);
  build_tables(ctx);
}

namespace {

// A call of a function with no body that the libraries were not asked for.
bool calls_unlinked_routine(tree_node *t) {
  return tree_find(t, nullptr, [](tree_node *n, void *) {
    symbol *s = n->op == OP_CALL && n->left && n->left->op == OP_ID ? n->left->sym : nullptr;
    return s && !s->ctx && !(s->flags2 & SYM2_REFERENCED);
  }) != nullptr;
}

}  // namespace

bool fit_statement(func_ctx *ctx, uint32_t k) {
  tree_node *t = item<tree_node>(ctx->statements, k);
  if (!t || t->op == OP_ASM || is_label(t)) return true;
  for (bool split = false;;) {
    iset_clear(rset_busy());
    if (cgen_match_tree(t, GOAL_STATEMENT, rset_free_regs())) return true;
    if (sym_release_reg_params(rset_busy())) continue;
    if (split) break;
    // What the callees' registers leave free is known only now: what does
    // not fit is worked out in pieces, each a statement of its own.
    split = true;
    vec *pieces = vec_new_default();
    symbol *f = ctx->function;
    uint32_t temps = vec_size(f->temps);
    decompose_statement(tree_copy(t), pieces, rset_free_regs());
    uint32_t count = vec_size(pieces);
    // The libraries were chosen before: pieces that call a routine the
    // program does not have (a product rewritten once its operand went to
    // a temporary) are not used.
    bool linked = true;
    for (uint32_t j = 0; j < count && linked; j++) linked = !calls_unlinked_routine(item<tree_node>(pieces, j));
    if (count > 1 && linked) {
      tree_free(t);
      vec_set(ctx->statements, vec_get(pieces, 0), k);
      for (uint32_t j = 1; j < count; j++) vec_insert(ctx->statements, vec_get(pieces, j), k + j);
      t = item<tree_node>(pieces, 0);
    } else {
      for (uint32_t j = 0; j < count; j++) tree_free(item<tree_node>(pieces, j));
      while (vec_size(f->temps) > temps) vec_remove(f->autos, vec_pop(f->temps));
      count = 0;
    }
    vec_free(pieces);
    if (count < 2) break;
  }
  cgen_report_uncovered(t);
  return false;
}

void allocate_function(symbol *f) {
  if (!f || !f->cg) return;
  if (f->cg->flags & CG_POINTER) {
    cg_pointer_regs(f);
    return;
  }
  if (!(f->cg->flags & CG_FUNCTION) || (f->cg->flags & CG_ALLOCATED) || !f->ctx) return;
  if (f->flags2 & SYM2_REENTRANT)
    rs().saw_reentrant = true;
  else
    rs().saw_nonreentrant = true;
  symbol *saved = sym_current_function();
  sym_set_current_function(f);
  if (!f->used_regs) f->used_regs = iset_alloc();
  iset_clear(f->used_regs);
  sym_layout_params(f);
  stack_widen_param_area(f);
  for (uint32_t k = 0; k < vec_size(f->reg_params); k++) {
    symbol *p = item<symbol>(f->reg_params, k);
    iset_union(f->used_regs, rset_of(p->reg));
    p->flags2 |= SYM2_REG_HELD | SYM2_IN_REGISTER;
  }
  // What an earlier function kept in registers is not this one's business.
  emit_reset_free_regs();
  func_ctx *ctx = f->ctx;
  flatten_statements(ctx);
  uint32_t autos = vec_size(f->autos);
  for (uint32_t k = 0; k < vec_size(ctx->statements); k++) fit_statement(ctx, k);
  build_tables(ctx);
  // Dropped stores change the facts: the tables are built again (the
  // messages about unassigned reads were given the first time).
  if (drop_dead_stores(ctx)) {
    // What is left of a dropped store is a new tree: it is fitted as well,
    // or the registers its calls use would go unnoticed.
    for (uint32_t k = 0; k < vec_size(ctx->statements); k++) fit_statement(ctx, k);
    bool quiet = true;
    std::swap(quiet, rs().building_again);
    build_tables(ctx);
    std::swap(quiet, rs().building_again);
  }
  if (vec_size(f->autos) != autos) {
    if (!rs().grown) rs().grown = vec_new_default();
    vec_push_unique(rs().grown, f);
  }
  ra_function *ra = ctx->alloc;
  regset *held = iset_alloc();
  build_webs(ra, held);
  assign_webs(ra);
  iset_free(held);
  // What memory the locals need: a variable left in memory somewhere, or loaded and stored.
  for (uint32_t v = 0; v < vec_size(ra->vars); v++) {
    ra_var *var = item<ra_var>(ra->vars, v);
    bool memory = false;
    for (uint32_t k = 0; k < vec_size(ra->blocks); k++) {
      ra_block *b = block_at(ra, k);
      if (b->removed) continue;
      const ra_record &r = b->records[v];
      if ((r.refs && !r.reg) || (r.flags & (RA_LOAD | RA_STORE))) memory = true;
    }
    if (memory) var->sym->flags2 |= SYM2_IN_MEMORY;
    else var->sym->flags2 &= ~SYM2_IN_MEMORY;
    var->sym->use_count = uint16_t(var->refs);
  }
  for (uint32_t k = 0; k < vec_size(ra->blocks); k++) iset_union(f->used_regs, block_at(ra, k)->needed);
  for (uint32_t k = 0; k < vec_size(ra->table); k++) {
    tree_node *t = item<tree_node>(ra->table, k);
    if (t->sets[RS_USED]) iset_union(f->used_regs, t->sets[RS_USED]);
  }
  f->cg->flags |= CG_ALLOCATED;
  bsr_forget(~0u);
  rset_temps_reset(TEMPS_FUNCTION);
  cgen_reset_function_counters();
  write_function_code(ctx, RA_TRACK);
  bsr_summarise(ctx);
  f->template_extra = (f->flags2 & SYM2_REENTRANT) ? 0 : cgen_template_extra();
  f->temps_size = rset_temps_high();
  sym_set_current_function(saved);
}

void write_function_code(func_ctx *ctx, int mode) {
  if (!ctx) return;
  if (!ctx->alloc) ra_build(ctx);
  ra_function *ra = ctx->alloc;
  symbol *f = ctx->function;
  bool silent = model.output_suppressed;
  if (mode != RA_OUTPUT) model.output_suppressed = true;
  uint32_t nb = vec_size(ra->blocks), nv = vec_size(ra->vars);
  int32_t last = -1;
  for (uint32_t k = 0; k < nb; k++)
    if (!block_at(ra, k)->removed) last = int32_t(k);
  std::vector<uint32_t> saved_regs(nv);
  // A parameter that arrives in a register but is kept in memory is put
  // there first thing after the function's label (before the first block's
  // loads), before anything can use the register.
  bool params_pending = f && f->reg_params && vec_size(f->reg_params);
  auto store_params = [&]() {
    params_pending = false;
    for (uint32_t k = 0; k < vec_size(f->reg_params); k++) {
      symbol *p = item<symbol>(f->reg_params, k);
      // One with no memory slot is not read before it is written: what
      // arrived is dead.
      if (!p->reg || (p->flags2 & SYM2_IN_REGISTER) || !(p->flags2 & SYM2_IN_MEMORY)) continue;
      tree_node *t = tree_make(OP_ASSIGN, tree_ident(p), tree_reg_ident(p, p->reg), p->type);
      cgen_statement(t, 0);
      tree_free(t);
    }
  };
  for (uint32_t k = 0; k < nb; k++) {
    ra_block *b = block_at(ra, k);
    if (b->removed) continue;
    bsr_current = b->bank.entry;
    bsr_changed = 0;
    std::vector<symbol *> loads;
    for (uint32_t v = 0; v < nv; v++) {
      ra_record &r = b->records[v];
      if (!r.reg) continue;
      symbol *s = r.sym;
      if (s->reg != r.reg && !model.output_suppressed && rs().tracking_comments)
        out_printf("; %s allocated to %s\n", sym_asm_name(s), register_name(r.reg));
      saved_regs[v] = s->reg;
      s->reg = r.reg;
      if (r.flags & RA_LOAD)
        loads.push_back(s);
      else
        s->flags2 |= SYM2_REG_HELD | SYM2_IN_REGISTER;
      iset_subtract(rset_free_regs(), rset_of(r.reg));
    }
    // What the block loads comes after its labels, where every way into the
    // block passes (the function's own label first of all).
    bool entered = false;
    auto enter = [&]() {
      entered = true;
      if (params_pending) store_params();
      for (symbol *s : loads) {
        sym_load_reg(s);
        s->flags2 |= SYM2_REG_HELD | SYM2_IN_REGISTER;
      }
    };
    // Stores precede a final jump: code after it would run on one path at
    // most.
    tree_node *jump = final_jump(b);
    auto store_all = [&]() {
      for (uint32_t v = 0; v < nv; v++) {
        ra_record &r = b->records[v];
        if (r.reg && (r.flags & RA_STORE)) sym_store_reg(r.sym);
      }
    };
    for (uint32_t s = 0; s < vec_size(b->statements); s++) {
      tree_node *t = item<tree_node>(b->statements, s);
      if (!entered && t->op != OP_LABEL && t->op != OP_LABEL_EXIT) enter();
      if (t == jump) store_all();
      if (t->op == OP_ASM) {
        if (mode == RA_OUTPUT && !model.output_suppressed) write_asm_text(t);
        // Assembler text may select any bank.
        bsr_forget(~0u);
        continue;
      }
      cgen_statement(t, 0);
    }
    if (!entered) enter();
    if (!jump) store_all();
    for (uint32_t v = 0; v < nv; v++) {
      ra_record &r = b->records[v];
      if (!r.reg) continue;
      r.sym->flags2 &= ~(SYM2_REG_HELD | SYM2_IN_REGISTER);
      r.sym->reg = saved_regs[v];
      iset_union(rset_free_regs(), rset_of(r.reg));
    }
    if (int32_t(k) == last) {
      emit_function_exit(f->param_reg, f->autos_size, f->params_size, f);
      if (!model.output_suppressed) {
        const char *name = sym_asm_name(f);
        out_printf("GLOBAL __end_of%s\n\t__end_of%s:\n", name, name);
      }
    }
    bsr_end_block(&b->bank);
  }
  model.output_suppressed = silent;
}

void sym_load_reg(symbol *s) {
  if (!s || !s->reg) return;
  if (rs().tracking_comments && !model.output_suppressed) {
    if (s->flags2 & SYM2_IN_REGISTER)
      out_printf(";%s already in %s\n", sym_asm_name(s), register_name(s->reg));
    else
      out_printf("; %s loaded to %s\n", sym_asm_name(s), register_name(s->reg));
  }
  if (s->flags2 & SYM2_IN_REGISTER) return;
  tree_node *t = tree_make(OP_ASSIGN, tree_reg_ident(s, s->reg), tree_ident(s), s->type);
  cgen_statement(t, 0);
  tree_free(t);
  s->flags2 |= SYM2_IN_REGISTER;
}

void sym_store_reg(symbol *s) {
  if (!s || !s->reg) return;
  if (rs().tracking_comments && !model.output_suppressed)
    out_printf(";%s stored from %s\n", sym_asm_name(s), register_name(s->reg));
  // The variable's own name stands for its memory here, not its register.
  uint32_t held = s->flags2 & SYM2_IN_REGISTER;
  s->flags2 &= ~SYM2_IN_REGISTER;
  tree_node *t = tree_make(OP_ASSIGN, tree_ident(s), tree_reg_ident(s, s->reg), s->type);
  cgen_statement(t, 0);
  tree_free(t);
  s->flags2 |= held;
}

bool sym_release_reg_params(const regset *regs) {
  symbol *f = sym_current_function();
  if (!f || !regs) return false;
  for (uint32_t k = 0; k < vec_size(f->reg_params); k++) {
    symbol *p = item<symbol>(f->reg_params, k);
    if (!p->reg || !(p->flags2 & SYM2_IN_REGISTER) || !iset_intersects(rset_of(p->reg), regs)) continue;
    // It still arrives in its register; the body keeps it in its memory copy.
    const regset *freed = rset_of(p->reg);
    iset_union(rset_free_regs(), freed);
    if (f->used_regs) iset_subtract(f->used_regs, freed);
    p->flags2 &= ~SYM2_IN_REGISTER;
    p->flags2 |= SYM2_IN_MEMORY;
    return true;
  }
  return false;
}

bool ra_saw_reentrant_code() { return rs().saw_reentrant; }
bool ra_saw_nonreentrant_code() { return rs().saw_nonreentrant; }
void ra_set_tracking_comments(bool on) { rs().tracking_comments = on; }
bool ra_tracking_comments() { return rs().tracking_comments; }

void ra_set_quiet(bool on) { rs().building_again = on; }

vec *ra_take_grown() {
  vec *grown = rs().grown ? rs().grown : vec_new_default();
  rs().grown = nullptr;
  return grown;
}

void ra_reset() {
  vec_free(rs().grown);
  rs().grown = nullptr;
  rs().saw_reentrant = rs().saw_nonreentrant = false;
  rs().tracking_comments = false;
}
