#include "codegen/model/callgraph.h"

#include <set>
#include <utility>
#include <vector>

#include "codegen/model/iset.h"
#include "codegen/model/progstate.h"
#include "codegen/model/ptrtargets.h"
#include "codegen/model/regs.h"
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

struct callgraph_state {
  vec *universe;
  vec *groups;        // level_group*, in order of creation
  vec *without_body;  // referenced functions without a body
  vec *arg_edges;     // functions that have argument edges
  uint32_t level_mask = 1;
  bool graph_completed;
  uint32_t main_depth, interrupt_depth;
  // Results of calls through pointers: the set standing for them, and the
  // called expression's set with its indirection.
  std::vector<std::pair<ptr_targets *, std::pair<ptr_targets *, uint32_t>>> result_areas;
  // Functions whose address code names other than to call them, each with
  // the function that names it.
  std::set<std::pair<symbol *, symbol *>> named;
};
callgraph_state &cs() {
  static callgraph_state &state = *new callgraph_state();
  return state;
}

template <typename T>
T *item(const vec *v, uint32_t k) {
  return static_cast<T *>(vec_get(v, k));
}

bool is_function(const symbol *s) { return s && type_is_function(s->type); }

// A variable (or struct member) through which code calls functions.
bool is_function_pointer(const symbol *s) {
  if (!s || is_function(s)) return false;
  ctype *t = type_unqual(s->type);
  while (t && t->kind == TY_ARRAY) t = type_unqual(t->sub);
  return t && t->kind == TY_POINTER && type_is_function(t->sub);
}

// The functions a pointer-target set at the given depth stands for.
void add_function_targets(vec *out, ptr_targets *set, uint32_t depth) {
  vec *reached = ptr_targets_reach(set, depth);
  for (uint32_t k = 0; k < vec_size(reached); k++) {
    symbol *owner = item<ptr_targets>(reached, k)->owner;
    if (is_function(owner)) vec_push_unique(out, owner);
  }
  vec_free(reached);
}

// Where parameter sets of a pointer and one of its targets meet: an argument
// bound to the pointer's parameter reaches the target's and back.
void unify_parameters(symbol *a, symbol *b) {
  vec *pa = sym_params(a), *pb = sym_params(b);
  if (vec_size(pa) != vec_size(pb)) return;
  for (uint32_t k = 0; k < vec_size(pa); k++) {
    ptr_targets *x = sym_ptr_targets(item<symbol>(pa, k));
    ptr_targets *y = sym_ptr_targets(item<symbol>(pb, k));
    sym_pair_targets(x, 1, y, 1);
    sym_pair_targets(y, 1, x, 1);
  }
}

struct walked {
  symbol *sym;
  uint32_t depth;
};

// The walk's nodes with their depths, taken before any action runs (an
// action may walk the graph itself, which overwrites the depths).
std::vector<walked> walk_from(symbol *root, bool descending, uint32_t edges = EDGE_CALL) {
  std::vector<walked> out;
  if (!root || !root->cg) return out;
  vec *nodes = dag_walk(root->cg->node, descending ? 0 : 1, edges);
  for (uint32_t k = 0; k < vec_size(nodes); k++) {
    dag_node *n = item<dag_node>(nodes, k);
    out.push_back({static_cast<symbol *>(n->item), n->depth});
  }
  vec_free(nodes);
  return out;
}

void push_callers_reachable(symbol *variable, symbol *caller) {
  if (!caller->cg) return;
  for (const walked &w : walk_from(caller, false))
    if (w.sym->ctx) vec_push_unique(variable->callers, w.sym);
}

bool is_absolute_area_at_zero(const symbol *s) {
  return (s->flags & SYM_ABSOLUTE_AREA) && (s->flags & SYM_ABSOLUTE) && s->address == 0;
}

// Pointer nodes stand for the functions they may call.
void expand_pointer_nodes(symbol *s, vec *out, int depth) {
  if (depth > 32 || !s) return;
  if (!is_function_pointer(s)) {
    vec_push_unique(out, s);
    return;
  }
  vec *targets = vec_new_default();
  add_function_targets(targets, s->targets, 1);
  for (uint32_t k = 0; k < vec_size(targets); k++) expand_pointer_nodes(item<symbol>(targets, k), out, depth + 1);
  vec_free(targets);
}

// Two functions that one pointer may call share their parameter area
// (the linker aligns them), as a function shares its own with itself: no
// argument edge can keep them apart.
bool aligned_together(const symbol *a, const symbol *b) {
  if (!cg_aligned_member(a) || !cg_aligned_member(b)) return false;
  vec *sets = ptr_sets_list();
  for (uint32_t k = 0; k < vec_size(sets); k++) {
    const ptr_targets *set = item<ptr_targets>(sets, k);
    if (!cg_aligned_set(set)) continue;
    bool has_a = false, has_b = false;
    for (uint32_t t = 0; t < vec_size(set->targets); t++) {
      const symbol *owner = item<ptr_targets>(set->targets, t)->owner;
      has_a |= owner == a;
      has_b |= owner == b;
    }
    if (has_a && has_b) return true;
  }
  return false;
}

bool has_argument_edge(const cg_node *from, const cg_node *to) {
  vec *edges = from->node->edges;
  for (uint32_t k = 0; k < vec_size(edges); k++) {
    const dag_edge *e = item<dag_edge>(edges, k);
    if (e->target == to->node && e->flags == EDGE_ARGUMENT) return true;
  }
  return false;
}

struct collect_ctx {
  symbol *function;
  const tree_node *callee = nullptr;  // of the call being walked
};

// The function a call names, or the function-pointer variable it calls
// through; null for a call through an expression of no variable.
symbol *called_symbol(const tree_node *n) {
  const tree_node *callee = n->left;
  if (callee && callee->op == OP_ID && (is_function(callee->sym) || is_function_pointer(callee->sym)))
    return callee->sym;
  if (n->callee && is_function_pointer(n->callee)) return n->callee;
  return nullptr;
}

// Calls whose results an argument of `outer` reads: not those inside the
// arguments of another call, whose results that call's arguments take.
void note_result_readers(tree_node *t, symbol *outer) {
  if (!t) return;
  if (t->op == OP_CALL && !(t->callee && (t->callee->flags2 & SYM2_INLINE))) {
    if (symbol *inner = called_symbol(t)) optim_add_call_edge(outer, inner);
    return;
  }
  if (op_has_operands(t->op)) note_result_readers(t->left, outer);
  if (op_is_binary(t->op)) note_result_readers(t->right, outer);
  if (t->op == OP_CALLARGS)
    for (uint32_t k = 0; k < vec_size(t->args); k++) note_result_readers(item<tree_node>(t->args, k), outer);
}

tree_node *collect_call(void *c, tree_node *n, int, int, int) {
  collect_ctx &ctx = *static_cast<collect_ctx *>(c);
  // A function whose address is taken, and not to call it here (compared,
  // tested, passed on, stored where nothing calls it), is still named by the
  // code: noted, so that it is kept where nothing calls it.
  if (n->op == OP_ADDR && n != ctx.callee && n->left && n->left->op == OP_ID && is_function(n->left->sym)) {
    cs().named.insert({n->left->sym, ctx.function});
    return n;
  }
  if (n->op != OP_CALL) return n;
  symbol *f = ctx.function;
  tree_node *callee = n->left;
  ctx.callee = callee;
  symbol *pointer = called_symbol(n);
  if (pointer && is_function(pointer)) {
    cg_record(pointer);
    cg_add_call_edge(f, pointer, false);
    return n;
  }
  if (pointer) {
    cg_record(pointer);
    cg_add_call_edge(f, pointer, true);
    vec_push_unique(f->cg->called_pointers, pointer);
    return n;
  }
  // A call through an expression of no variable: its possible targets.
  vec *targets = vec_new_default();
  if (callee && callee->targets) add_function_targets(targets, callee->targets, callee->indir);
  for (uint32_t k = 0; k < vec_size(targets); k++) {
    symbol *t = item<symbol>(targets, k);
    cg_record(t);
    cg_add_call_edge(f, t, true);
  }
  vec_free(targets);
  return n;
}

}  // namespace

void cg_set_level_mask(uint32_t mask) {
  cs().level_mask = mask;
  model.optim_levels = mask;
  sym_set_compile_levels(mask);
}

uint32_t cg_level_mask() { return cs().level_mask; }

cg_node *cg_record(symbol *s) {
  if (!s) return nullptr;
  if (s->cg) return s->cg;
  callgraph_state &st = cs();
  if (!st.universe) st.universe = dag_new_universe();
  cg_node *r = static_cast<cg_node *>(xalloc(sizeof(cg_node)));
  r->sym = s;
  r->flags = is_function(s) ? CG_FUNCTION : CG_POINTER;
  r->partners = vec_new_default();
  r->called_pointers = vec_new_default();
  symbol *original = s->alias && s->alias != s ? s->alias : nullptr;
  r->node = original ? cg_record(original)->node : dag_node_new(st.universe, s);
  s->cg = r;
  return r;
}

symbol *cg_symbol(dag_node *node) { return node ? static_cast<symbol *>(node->item) : nullptr; }

func_ctx *new_func(symbol *f) {
  if (cs().graph_completed) msg_print("Internal error - new_func() found pointGraphCompleted\n");
  cgen_reset_function_counters();
  func_ctx *ctx = static_cast<func_ctx *>(xalloc(sizeof(func_ctx)));
  ctx->function = f;
  ctx->statements = vec_new_default();
  ctx->regs[0] = iset_alloc();
  ctx->regs[1] = iset_alloc();
  uint32_t mask = model.read_levels ? model.read_levels : 1;
  f->levels_entry = mask;
  f->ctx = ctx;
  cg_record(f);
  if (type_qualifiers(f->type) & Q_INTERRUPT)
    cg_register_level(f);
  else if (f->sclass == SC_EXTERN && sym_called_from_outside(f))
    cg_register_level(f);
  ctx->levels |= mask;
  ctx->stored = vec_new_default();
  return ctx;
}

void cg_store_statement(func_ctx *ctx, vec *nodes) {
  if (ctx && nodes) vec_push(ctx->stored, tree_store(nodes));
}

void cg_set_graph_completed() {
  cs().graph_completed = true;
  pointGraphCompleted = true;
}

vec *cg_level_groups() {
  if (!cs().groups) cs().groups = vec_new_default();
  return cs().groups;
}

void cg_register_level(symbol *f) {
  uint32_t created_under = model.read_levels ? model.read_levels : 1;
  uint32_t mask = created_under;
  if (mask == 1) mask = 2;
  mask &= ~1u;
  if (mask & (mask - 1)) msg(692, sym_asm_name(f));
  uint32_t n = mask ? uint32_t(__builtin_ctz(mask)) : 1;
  if (n > 2) msg(1179, sym_asm_name(f), 2);
  uint32_t level = (type_qualifiers(f->type) & Q_INTERRUPT) ? n : 3;
  vec *groups = cg_level_groups();
  level_group *g = nullptr;
  for (uint32_t k = 0; k < vec_size(groups) && !g; k++)
    if (item<level_group>(groups, k)->level == level) g = item<level_group>(groups, k);
  if (!g) {
    g = static_cast<level_group *>(xalloc(sizeof(level_group)));
    g->level = level;
    g->roots = vec_new_default();
    g->prefix = strfmt("i%d", int(created_under));
    vec_push(groups, g);
  }
  cg_record(f);
  vec_push_unique(g->roots, f);
  f->use_count++;
}

void cg_note_callee(symbol *s) {
  if (!s || s->ctx || !is_function(s)) return;
  vec_push_unique(cg_functions_without_body(), s);
  cg_record(s);
}

vec *cg_functions_without_body() {
  if (!cs().without_body) cs().without_body = vec_new_default();
  return cs().without_body;
}

int cg_add_call_edge(symbol *caller, symbol *callee, bool indirect) {
  if (!callee || !callee->cg || !caller) return 0;
  cg_record(caller);
  if (indirect) {
    callee->flags |= SYM_CALLED_INDIRECTLY;
    callee->cg->flags |= CG_RETURNS_IN_PARAMS;
  }
  cg_note_callee(callee);
  callee->use_count++;
  if (!dag_add_edge(caller->cg->node, callee->cg->node, 0, EDGE_CALL)) return 0;
  if (is_function_pointer(caller)) unify_parameters(caller, callee);
  return 1;
}

void cg_record_caller(symbol *s, symbol *caller) {
  if (!s || !caller) return;
  if (!s->direct_callers) s->direct_callers = vec_new_default();
  if (!s->callers) s->callers = vec_new_default();
  if (vec_find(s->direct_callers, caller) >= 0) return;
  vec_push(s->direct_callers, caller);
  vec_push_unique(s->callers, caller);
  if (!is_function(s)) push_callers_reachable(s, caller);
}

void cg_collect_calls(symbol *f) {
  if (!f || !f->ctx) return;
  cg_record(f);
  collect_ctx c{f};
  vec *list = f->ctx->statements;
  for (uint32_t k = 0; k < vec_size(list); k++)
    vec_set(list, tree_walk(WALK_PRE, &c, item<tree_node>(list, k), collect_call, 0, 0, 0), k);
}

void cg_note_named_function(symbol *function, symbol *namer) {
  if (function && namer && is_function(function)) cs().named.insert({function, namer});
}

bool cg_keep_named_functions() {
  std::set<symbol *> reached;
  cg_traverse_all([](void *set, symbol *s, uint32_t) { static_cast<std::set<symbol *> *>(set)->insert(s); }, &reached,
                  VISIT_ALL);
  bool added = false;
  // A function nothing calls cannot be running when its namer is: an edge
  // from the namer gives it a place without joining another level.
  for (auto [function, namer] : cs().named)
    if (function->ctx && !reached.count(function) && reached.count(namer) && cg_record(function)) {
      cg_record(namer);
      added |= cg_add_call_edge(namer, function, false) != 0;
    }
  return added;
}

void cg_note_argument_calls(tree_node *call) {
  if (call->op != OP_CALL || !call->right || call->right->op != OP_CALLARGS) return;
  if (symbol *outer = called_symbol(call)) note_result_readers(call->right, outer);
}

void optim_add_call_edge(symbol *a, symbol *b) {
  if (!a || !b || is_absolute_area_at_zero(a) || is_absolute_area_at_zero(b)) return;
  if (is_function_pointer(a) || is_function_pointer(b)) {
    vec *as = vec_new_default(), *bs = vec_new_default();
    expand_pointer_nodes(a, as, 0);
    expand_pointer_nodes(b, bs, 0);
    for (uint32_t i = 0; i < vec_size(as); i++)
      for (uint32_t j = 0; j < vec_size(bs); j++) optim_add_call_edge(item<symbol>(as, i), item<symbol>(bs, j));
    vec_free(as);
    vec_free(bs);
    return;
  }
  cg_node *ra = cg_record(a), *rb = cg_record(b);
  if (vec_find(ra->partners, b) >= 0 || (a->flags2 & SYM2_REENTRANT) || aligned_together(a, b)) return;
  // A path either way, over edges of either kind, already keeps the two
  // apart; entering the edge then could only close a cycle. An edge made
  // before the partner lists were discarded is listed again.
  if (a == b || (!has_argument_edge(ra, rb) &&
                 (dag_reaches(ra->node, rb->node, EDGE_ANY) || dag_reaches(rb->node, ra->node, EDGE_ANY))))
    return;
  if (!cs().arg_edges) cs().arg_edges = vec_new_default();
  vec_push_unique(cs().arg_edges, a);
  vec_push(ra->partners, b);
  dag_add_edge(ra->node, rb->node, 0, EDGE_ARGUMENT);
}

vec *cg_argument_edge_list() {
  if (!cs().arg_edges) cs().arg_edges = vec_new_default();
  return cs().arg_edges;
}

void cg_discard_argument_edges() {
  vec *list = cg_argument_edge_list();
  for (uint32_t k = 0; k < vec_size(list); k++) vec_clear(item<symbol>(list, k)->cg->partners);
  vec_clear(list);
}

void cg_traverse(symbol *root, cg_action action, void *ctx, uint32_t mode) {
  for (const walked &w : walk_from(root, mode & VISIT_DESCENDING, mode & VISIT_ARGUMENT_EDGES ? EDGE_ANY : EDGE_CALL))
    if (w.sym->cg && (w.sym->cg->flags & mode & VISIT_ALL)) action(ctx, w.sym, w.depth - 1);
}

void cg_traverse_all(cg_action action, void *ctx, uint32_t mode) {
  cg_set_level_mask(1);
  cg_traverse(cg_main(), action, ctx, mode);
  vec *groups = cg_level_groups();
  for (uint32_t g = 0; g < vec_size(groups); g++) {
    level_group *group = item<level_group>(groups, g);
    cg_set_level_mask(1u << group->level);
    for (uint32_t r = 0; r < vec_size(group->roots); r++) cg_traverse(item<symbol>(group->roots, r), action, ctx, mode);
  }
  cg_set_level_mask(1);
}

bool cg_reaches(symbol *a, symbol *b) {
  return a && b && a->cg && b->cg && dag_reaches(a->cg->node, b->cg->node, EDGE_CALL);
}

void cg_pointer_regs(symbol *pointer) {
  if (!pointer->used_regs) pointer->used_regs = iset_alloc();
  iset_clear(pointer->used_regs);
  vec *edges = pointer->cg->node->edges;
  for (uint32_t k = 0; k < vec_size(edges); k++) {
    symbol *g = cg_symbol(item<dag_edge>(edges, k)->target);
    if (g && g->used_regs) iset_union(pointer->used_regs, g->used_regs);
  }
}

void cg_call_depths() {
  callgraph_state &st = cs();
  cg_traverse_all([](void *, symbol *s, uint32_t) { s->depth_main = s->depth_int = 0; }, nullptr, VISIT_FUNCTIONS);
  st.main_depth = st.interrupt_depth = 0;
  for (const walked &w : walk_from(cg_main(), false)) {
    if (!(w.sym->cg->flags & CG_FUNCTION)) continue;
    if (w.depth - 1 > w.sym->depth_main) w.sym->depth_main = w.depth - 1;
    if (w.depth - 1 > st.main_depth) st.main_depth = w.depth - 1;
  }
  vec *groups = cg_level_groups();
  for (uint32_t g = 0; g < vec_size(groups); g++) {
    level_group *group = item<level_group>(groups, g);
    uint32_t deepest = 0;
    for (uint32_t r = 0; r < vec_size(group->roots); r++)
      for (const walked &w : walk_from(item<symbol>(group->roots, r), false)) {
        if (!(w.sym->cg->flags & CG_FUNCTION)) continue;
        if (w.depth - 1 > w.sym->depth_int) w.sym->depth_int = w.depth - 1;
        if (w.depth - 1 > deepest) deepest = w.depth - 1;
      }
    group->depth = deepest + 1;
    if (group->depth > st.interrupt_depth) st.interrupt_depth = group->depth;
  }
}

uint32_t cg_main_depth() { return cs().main_depth; }
uint32_t cg_interrupt_depth() { return cs().interrupt_depth; }

bool cg_write_fncalls(symbol *root) {
  bool held = false;
  uint32_t mask = cs().level_mask;
  for (const walked &w : walk_from(root, false)) {
    symbol *f = w.sym;
    if (f->cg->flags & CG_POINTER) {
      held = true;
      continue;
    }
    if (!(f->levels_written & mask)) continue;
    held = true;
    vec *edges = f->cg->node->edges;
    for (uint32_t k = 0; k < vec_size(edges); k++) {
      dag_edge *e = item<dag_edge>(edges, k);
      symbol *g = cg_symbol(e->target);
      if (!(e->flags & EDGE_CALL) || !g || !g->cg || !(g->cg->flags & CG_FUNCTION)) continue;
      if ((g->flags & (SYM_COMPILER_MADE | SYM_NEVER_USED)) || (g->flags2 & SYM2_INLINE)) continue;
      char *caller = str_dup(sym_level_name(f));
      out_printf("\tFNCALL\t%s,%s\n", caller, sym_level_name(g));
      xfree(caller);
    }
  }
  return held;
}

ptr_targets *cg_result_area(tree_node *call, uint32_t *indir) {
  symbol *f = call->callee;
  *indir = 0;
  if (f && is_function(f) && !(f->flags & SYM_COMPILER_MADE)) return sym_ptr_targets(sym_param_area(f));
  ptr_targets *called = nullptr;
  uint32_t depth = 1;
  if (f && is_function_pointer(f)) {
    called = sym_ptr_targets(f);
  } else if (call->left && call->left->targets) {
    called = call->left->targets;
    depth = call->left->indir;
  }
  ptr_targets *areas = ptr_targets_new(nullptr);
  cs().result_areas.push_back({areas, {called, depth}});
  *indir = 1;
  return areas;
}

bool cg_fill_result_areas() {
  bool grew = false;
  for (auto &[areas, called] : cs().result_areas) {
    vec *functions = vec_new_default();
    add_function_targets(functions, called.first, called.second);
    for (uint32_t k = 0; k < vec_size(functions); k++)
      grew |= ptr_targets_add(areas, sym_ptr_targets(sym_param_area(item<symbol>(functions, k))));
    vec_free(functions);
  }
  return grew;
}

symbol *cg_main() {
  symbol *m = sym_find("_main");
  return m && is_function(m) ? m : nullptr;
}

void cg_reset() {
  callgraph_state &st = cs();
  vec *universe = st.universe;
  for (uint32_t k = 0; k < vec_size(universe); k++) {
    symbol *s = cg_symbol(item<dag_node>(universe, k));
    if (!s || !s->cg) continue;
    vec_free(s->cg->partners);
    vec_free(s->cg->called_pointers);
    xfree(s->cg);
    s->cg = nullptr;
  }
  dag_free_universe(universe);
  st.universe = nullptr;
  vec *groups = cg_level_groups();
  for (uint32_t k = 0; k < vec_size(groups); k++) {
    level_group *g = item<level_group>(groups, k);
    vec_free(g->roots);
    xfree(g->prefix);
    xfree(g);
  }
  vec_clear(groups);
  vec_clear(cg_functions_without_body());
  vec_clear(cg_argument_edge_list());
  st.level_mask = 1;
  st.graph_completed = false;
  st.main_depth = st.interrupt_depth = 0;
  st.result_areas.clear();
  st.named.clear();
}

bool cg_aligned_set(const ptr_targets *set) {
  return (!set->owner || set->owner->use_count) && vec_size(set->targets) >= 2;
}

bool cg_aligned_member(const symbol *f) {
  return f && f->use_count && type_is_function(f->type) && !(f->flags & SYM_COMPILER_MADE) &&
         !(f->flags2 & SYM2_REENTRANT) && f->params_size;
}

bool cg_args_overlap(symbol *inner, symbol *outer, uint32_t offset) {
  if (!inner || !outer || !offset) return false;
  vec *as = vec_new_default(), *bs = vec_new_default();
  expand_pointer_nodes(inner, as, 0);
  expand_pointer_nodes(outer, bs, 0);
  bool overlap = false;
  for (uint32_t i = 0; i < vec_size(as) && !overlap; i++) {
    symbol *a = item<symbol>(as, i);
    ctype *t = type_unqual(a->type);
    uint32_t value = t && t->kind == TY_FUNCTION && t->sub ? type_size(t->sub) : 0;
    if (value < 2 || offset >= value) continue;
    for (uint32_t j = 0; j < vec_size(bs) && !overlap; j++) {
      symbol *b = item<symbol>(bs, j);
      overlap = a == b || aligned_together(a, b);
    }
  }
  vec_free(as);
  vec_free(bs);
  return overlap;
}
