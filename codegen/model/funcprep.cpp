#include "codegen/model/funcprep.h"

#include <cstring>
#include <set>

#include "codegen/model/callgraph.h"
#include "codegen/model/iset.h"
#include "codegen/model/ops.h"
#include "codegen/model/optim.h"
#include "codegen/model/ptrtargets.h"
#include "codegen/model/rewrite.h"
#include "codegen/model/simplify.h"
#include "codegen/model/symbols.h"
#include "codegen/model/target_services.h"
#include "codegen/model/tree.h"
#include "codegen/model/types.h"
#include "codegen/model/walk.h"
#include "common/alert.h"
#include "common/vector.h"

namespace {

template <typename T>
T *item(const vec *v, uint32_t k) {
  return static_cast<T *>(vec_get(v, k));
}

// Size of a function's return value, 0 for none.
uint32_t return_size(symbol *f) {
  ctype *t = type_unqual(f->type);
  return t && t->kind == TY_FUNCTION && t->sub ? type_size(t->sub) : 0;
}

bool returns_value(symbol *f) {
  ctype *t = type_unqual(f->type);
  if (!t || t->kind != TY_FUNCTION || !t->sub) return false;
  return type_arith(t->sub) != ARITH_NONE || type_size(t->sub) != 0;
}

// The parameter area, sized for a value returned through it.
void lay_out_parameter_area(symbol *f) {
  f->params_size = sym_layout_params(f);
  uint32_t ret = return_size(f);
  if (!(f->cg && (f->cg->flags & CG_RETURNS_IN_PARAMS)) || ret < 2 || ret > 4) return;
  if ((f->flags2 & SYM2_REENTRANT) && ret > f->params_size) {
    // The value is returned below the parameters: they move up past it.
    uint32_t extra = ret - f->params_size;
    vec *params = vec_size(f->params) ? f->params : f->fake_params;
    for (uint32_t k = 0; k < vec_size(params); k++) {
      symbol *p = item<symbol>(params, k);
      if (p->flags & SYM_PARAM_IN_MEMORY) p->offset = uint16_t(p->offset + extra);
    }
    f->params_size += extra;
  }
  if (f->params_size < ret) f->params_size = ret;
}

// A return of a value through the parameter area: ?f = value, typed as the value.
tree_node *return_through_area(symbol *f, tree_node *ret) {
  ctype *t = type_unqual(f->type)->sub;
  tree_node *area = tree_ident(sym_param_area(f));
  area->type = t;
  tree_node *value = ret->left;
  ret->left = nullptr;
  tree_free(ret);
  return tree_make(OP_ASSIGN, area, value, t);
}

}  // namespace

void mark_referenced(tree_node *t) {
  tree_find(t, nullptr, [](tree_node *n, void *) {
    if (n->op == OP_ID && n->sym) n->sym->flags2 |= SYM2_REFERENCED;
    return false;
  });
}

void want_rewrite_routines(symbol *f) {
  if (!f || !f->ctx) return;
  for (uint32_t k = 0; k < vec_size(f->ctx->stored); k++) {
    tree_node *t = tree_rebuild(item<vec>(f->ctx->stored, k));
    if (!t) continue;
    t = tree_simplify(tree_simplify(t));
    if (!t) continue;
    vec *simple = vec_new_default();
    nodeRewrite(t, simple);
    for (uint32_t j = 0; j < vec_size(simple); j++) {
      tree_node *s = tree_simplify(item<tree_node>(simple, j));
      if (!s) continue;
      // What code still names after folding, and the routines it is
      // rewritten into, is what the libraries must supply.
      tree_node *split = cgen_split_tree(s);
      mark_referenced(split);
      tree_free(split);
    }
    vec_free(simple);
  }
}

namespace {

void rebuild_statements(symbol *f, bool graph_pass) {
  func_ctx *ctx = f->ctx;
  for (uint32_t k = 0; k < vec_size(ctx->statements); k++) tree_free(item<tree_node>(ctx->statements, k));
  vec_clear(ctx->statements);
  // The temporaries of the statements just dropped: rebuilding makes its
  // own, and the old ones would stay behind as autos nothing uses.
  for (uint32_t k = 0; k < vec_size(f->temps); k++) vec_remove(f->autos, vec_get(f->temps, k));
  vec_clear(f->temps);
  vec *rebuilt = vec_new_default();
  for (uint32_t k = 0; k < vec_size(ctx->stored); k++) {
    tree_node *t = tree_rebuild(item<vec>(ctx->stored, k));
    if (!t) continue;
    t = tree_simplify(tree_simplify(t));
    if (t) vec_push(rebuilt, t);
  }
  bool indirect = f->cg && (f->cg->flags & CG_RETURNS_IN_PARAMS);
  uint32_t ret = return_size(f);
  if (returns_value(f) && (graph_pass || indirect) && ret >= 2 && ret <= 4)
    for (uint32_t k = 0; k < vec_size(rebuilt); k++) {
      tree_node *t = item<tree_node>(rebuilt, k);
      if (t->op == OP_RETURN && t->left) vec_set(rebuilt, return_through_area(f, t), k);
    }
  for (uint32_t k = 0; k < vec_size(rebuilt); k++) {
    vec *simple = vec_new_default();
    uint32_t made = vec_size(f->temps);
    nodeRewrite(item<tree_node>(rebuilt, k), simple);
    for (uint32_t j = made; j < vec_size(f->temps); j++) item<symbol>(f->temps, j)->statement = k + 1;
    for (uint32_t j = 0; j < vec_size(simple); j++) {
      tree_node *t = tree_simplify(item<tree_node>(simple, j));
      if (!t) continue;
      tree_node *split = cgen_split_tree(t);
      if (!split) {
        msg(vec_size(simple) > 1 ? 760 : 759);
        continue;
      }
      vec_push(ctx->statements, split);
    }
    vec_free(simple);
  }
  vec_free(rebuilt);
}

// Marks what an assignment writes; true when the assigned operand is a
// plain object, whose own value the statement does not read.
bool mark_assigned(tree_node *target, uint32_t marks) {
  while (target && (target->op == OP_DOT || target->op == OP_BITFIELD)) target = target->left;
  if (!target || target->op == OP_REG) return true;
  if (target->op == OP_ID) {
    target->sym->flags |= marks;
    // A function that only writes a variable still touches it: no other
    // function may keep a copy of it in a register across a call.
    if (symbol *f = sym_current_function()) cg_record_caller(target->sym, f);
    return true;
  }
  tree_find(target, &marks, [](tree_node *n, void *m) {
    if (n->op == OP_ID) n->sym->flags |= *static_cast<uint32_t *>(m);
    return false;
  });
  return false;
}

void count_value_uses(tree_node *t);

tree_node *use_marker(void *, tree_node *n, int, int, int inner) {
  if (n->op == OP_ID) {
    if (symbol *f = sym_current_function()) cg_record_caller(n->sym, f);
    n->sym->use_count++;
    return n;
  }
  uint32_t d = op_dope(n->op);
  bool plain = n->op == OP_ASSIGN;
  if (!plain && (d & 0xC00C) != 0x8008) return n;
  bool whole = mark_assigned(n->left, plain ? SYM_ASSIGNED | SYM_ASSIGNED_PLAIN : uint32_t(SYM_ASSIGNED));
  // An indirection or element being stored to reads its pointer and index;
  // a compound assignment whose value is taken ((n -= 1) != c in a loop's
  // test) reads its object too.
  if (!whole || (inner && !plain)) count_value_uses(n->left);
  count_value_uses(n->right);
  return nullptr;
}

// Uses in an operand, whose own value is read.
void count_value_uses(tree_node *t) {
  if (t) tree_walk(WALK_PRE, nullptr, t, use_marker, 0, 0, 1);
}

bool is_uninitialised_data(symbol *s) { return s->object_list == OBJ_UNINITIALISED; }

bool is_array(symbol *s) {
  ctype *t = type_unqual(s->type);
  return t && t->kind == TY_ARRAY;
}

bool chain_ends_in_zero(const tree_node *v) {
  while (v && v->op == OP_ASSIGN) v = v->right;
  while (v && v->op == OP_CONV) v = v->left;
  return v && v->op == OP_CONST && v->value == 0;
}

struct prologue_scan {
  bool zero_skipping = true;
  std::set<symbol *> entered;
};

// Variables the prologue reads keep being cleared by the start-up code.
void mark_reads(tree_node *t) {
  tree_find(t, nullptr, [](tree_node *n, void *) {
    if (n->op == OP_ID && is_uninitialised_data(n->sym)) n->sym->flags2 |= SYM2_PROLOGUE_RMW;
    return false;
  });
}

void move_to_persistent(symbol *s) {
  vec_remove(optim_object_list(OBJ_UNINITIALISED), s);
  vec_push_unique(optim_object_list(OBJ_ABSOLUTE_OR_PERSISTENT), s);
  s->object_list = OBJ_ABSOLUTE_OR_PERSISTENT;
}

// One assignment of the prologue: a variable the start-up code would clear
// and that main sets before anything reads it need not be cleared.
void scan_assignment(prologue_scan &scan, tree_node *t) {
  if (!t || !op_is_binary(t->op)) return;
  uint32_t d = op_dope(t->op);
  if (!(d & D_SIDE_EFFECT) || (d & D_NON_VALUE)) {
    mark_reads(t);
    return;
  }
  tree_node *target = t->left;
  symbol *s = target && target->op == OP_ID ? target->sym : nullptr;
  bool candidate = s && is_uninitialised_data(s) && !is_array(s) &&
                   !(s->flags2 & (SYM2_PROLOGUE_RMW | SYM2_ADDRESS_TAKEN | SYM2_FIXED));
  if (!s) mark_reads(target);
  if (t->op != OP_ASSIGN) {
    if (s && is_uninitialised_data(s)) s->flags2 |= SYM2_PROLOGUE_RMW;
    mark_reads(t->right);
    return;
  }
  if (candidate && !(scan.zero_skipping && chain_ends_in_zero(t->right))) move_to_persistent(s);
  if (t->right && t->right->op == OP_ASSIGN)
    scan_assignment(scan, t->right);
  else
    mark_reads(t->right);
}

// Scans a body; false when the scan ended inside it.
bool scan_body(prologue_scan &scan, symbol *f) {
  if (!f->ctx || !scan.entered.insert(f).second) return false;
  vec *list = f->ctx->statements;
  for (uint32_t k = 0; k < vec_size(list); k++) {
    tree_node *t = item<tree_node>(list, k);
    if (t->op == OP_CALL || t->op == OP_CALLZAP) {
      tree_node *callee = t->left;
      if (!callee || callee->op != OP_ID || (callee->sym->flags2 & SYM2_INLINE)) return false;
      mark_reads(t->right);
      // Code that is not C may read anything: the scan ends there too.
      if (!callee->sym->ctx || !scan_body(scan, callee->sym)) return false;
      continue;
    }
    // Past a jump, a return or assembler text the order of execution is unknown.
    switch (t->op) {
      case OP_CJUMP:
      case OP_JUMP:
      case OP_JUMP_EXIT:
      case OP_SWITCH:
      case OP_RETURN:
      case OP_ASM:
        return false;
    }
    t = tree_simplify(t);
    vec_set(list, t, k);
    if (!t) continue;
    // A jump target may run more than once; the function's own entry label
    // is not one.
    if (t->op == OP_LABEL) {
      if (!t->left || t->left->op != OP_ID) scan.zero_skipping = false;
      continue;
    }
    // A call inside an expression runs code the scan does not follow.
    if (tree_find_call(t)) return false;
    scan_assignment(scan, t);
  }
  return true;
}

}  // namespace

void prepare_functions(vec *list, bool graph_pass) {
  symbol *saved = sym_current_function();
  uint32_t saved_mask = cg_level_mask();
  for (uint32_t k = 0; k < vec_size(list); k++) {
    symbol *f = item<symbol>(list, k);
    if (!f->ctx) continue;
    sym_set_current_function(f);
    if (f->used_regs) iset_clear(f->used_regs);
    // Values of two to four bytes come back through the parameter area,
    // whether the call is direct or through a pointer: one convention for
    // both, and the caller reads the value where it lies.
    // main's value goes nowhere: it keeps no area for it.
    uint32_t ret = return_size(f);
    if (returns_value(f) && ret >= 2 && ret <= 4 && strcmp(f->name, "_main") != 0)
      cg_record(f)->flags |= CG_RETURNS_IN_PARAMS;
    lay_out_parameter_area(f);
    cg_set_level_mask(f->levels_called);
    rebuild_statements(f, graph_pass);
    cg_collect_calls(f);
    if (!graph_pass)
      for (uint32_t s = 0; s < vec_size(f->ctx->statements); s++) count_uses(item<tree_node>(f->ctx->statements, s));
  }
  cg_set_level_mask(saved_mask);
  sym_set_current_function(saved);
}

void count_uses(tree_node *t) {
  if (t) tree_walk(WALK_PRE, nullptr, t, use_marker, 0, 0, 0);
}

void main_prologue_scan(symbol *main) {
  if (!main || !main->ctx) return;
  prologue_scan scan;
  symbol *saved = sym_current_function();
  sym_set_current_function(main);
  scan_body(scan, main);
  sym_set_current_function(saved);
}

void drop_never_used(vec *list, bool drop) {
  for (uint32_t k = vec_size(list); k-- > 0;) {
    symbol *s = item<symbol>(list, k);
    if (s->use_count || (s->flags2 & SYM2_FIXED) || (s->flags & SYM_DECLARED_ONLY)) continue;
    s->flags |= SYM_NEVER_USED;
    const char *file = sym_current_file();
    int line = sym_current_line();
    sym_set_position(s->file, s->line);
    msg(1090, s->source_name && s->source_name[0] ? s->source_name + 1 : s->name);
    sym_set_position(file, line);
    if (drop) vec_remove_at(list, k);
  }
}

void mark_indirect_targets() {
  cg_traverse_all(
      [](void *, symbol *p, uint32_t) {
        if (!(p->cg->flags & CG_RETURNS_IN_PARAMS) || !p->targets) return;
        vec *reached = ptr_targets_reach(p->targets, 1);
        for (uint32_t k = 0; k < vec_size(reached); k++) {
          symbol *t = item<ptr_targets>(reached, k)->owner;
          if (!t || !type_is_function(t->type) || (t->flags & (SYM_DECLARED_ONLY | SYM_COMPILER_MADE))) continue;
          t->flags |= SYM_CALLED_INDIRECTLY;
          cg_record(t)->flags |= CG_RETURNS_IN_PARAMS;
        }
        vec_free(reached);
      },
      nullptr, VISIT_POINTERS);
}

void add_transitive_callers(symbol *d, vec *working) {
  vec *pending = vec_new_default();
  vec_push(pending, d);
  std::set<symbol *> seen{d};
  while (vec_size(pending)) {
    symbol *s = static_cast<symbol *>(vec_pop(pending));
    for (uint32_t k = 0; k < vec_size(s->callers); k++) {
      symbol *caller = item<symbol>(s->callers, k);
      vec_push_unique(working, caller);
      if (seen.insert(caller).second) vec_push(pending, caller);
    }
  }
  vec_free(pending);
}
