#include "codegen/model/optim.h"

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "codegen/model/bsr.h"
#include "codegen/model/callgraph.h"
#include "codegen/model/funcprep.h"
#include "codegen/model/levelcopy.h"
#include "codegen/model/progstate.h"
#include "codegen/model/ptrtargets.h"
#include "codegen/model/regalloc.h"
#include "codegen/model/stack.h"
#include "codegen/model/symbols.h"
#include "codegen/model/target_services.h"
#include "codegen/model/tree.h"
#include "codegen/model/types.h"
#include "common/alert.h"
#include "common/alloc.h"
#include "common/lists.h"
#include "common/vector.h"

namespace {

struct declared_depths {
  std::string name;
  uint32_t main_depth, interrupt_depth;
};

struct optim_state {
  uint32_t phase;
  vec *functions;
  vec *objects[4];
  bool mainexit;
  std::vector<std::pair<std::string, std::string>> calls;
  std::vector<declared_depths> depths;
  std::vector<std::pair<std::string, uint32_t>> uses;
  data_totals totals;
  void (*count)(data_totals *);
  const optim_debug_writer *debug;
  std::set<symbol *> recursion_reported;
};
optim_state &os() {
  static optim_state &state = *new optim_state();
  return state;
}

template <typename T>
T *item(const vec *v, uint32_t k) {
  return static_cast<T *>(vec_get(v, k));
}

// Reports a message at a symbol's own position.
vec *function_targets(symbol *pointer) {
  vec *out = vec_new_default();
  vec *reached = ptr_targets_reach(pointer->targets, 1);
  for (uint32_t k = 0; k < vec_size(reached); k++) {
    symbol *t = item<ptr_targets>(reached, k)->owner;
    if (t && type_is_function(t->type)) vec_push_unique(out, t);
  }
  vec_free(reached);
  return out;
}

// ---- steps before the fixpoint ----

void enter_declared_calls() {
  for (auto &[caller_name, callee_name] : os().calls) {
    symbol *pair[2] = {sym_lookup(caller_name.c_str()), sym_lookup(callee_name.c_str())};
    for (symbol *s : pair) {
      if (!s->ctx && !type_is_function(s->type)) s->type = type_derive(type_int(), TY_FUNCTION);
      cg_record(s);
    }
    cg_add_call_edge(pair[0], pair[1], false);
  }
}

void raise_declared_depths() {
  for (const declared_depths &d : os().depths) {
    symbol *s = sym_find(d.name.c_str());
    if (!s) continue;
    if (s->depth_main < d.main_depth) s->depth_main = d.main_depth;
    if (s->depth_int < d.interrupt_depth) s->depth_int = d.interrupt_depth;
  }
}

// Library routines and assembly code return pointers into the whole space
// of what they point to.
void widen_bodiless_returns() {
  vec *list = cg_functions_without_body();
  for (uint32_t k = 0; k < vec_size(list); k++) {
    symbol *f = item<symbol>(list, k);
    ctype *t = type_unqual(f->type);
    if (!t || t->kind != TY_FUNCTION || !type_is_pointer(t->sub)) continue;
    if (symbol *space = emit_space_target(type_target(type_unqual(t->sub)), t->sub, 0))
      ptr_targets_add(sym_ptr_targets(sym_return_rep(f)), sym_ptr_targets(space));
  }
}

// ---- reentrancy fixpoint ----

bool harmonise_pointer_sets() {
  bool changed = false;
  vec *sets = ptr_sets_list();
  for (uint32_t k = 0; k < vec_size(sets); k++) {
    ptr_targets *set = item<ptr_targets>(sets, k);
    if (vec_size(set->targets) < 2) continue;
    bool some = false, others = false;
    std::vector<symbol *> functions;
    for (uint32_t t = 0; t < vec_size(set->targets); t++) {
      symbol *f = item<ptr_targets>(set->targets, t)->owner;
      if (!f || !type_is_function(f->type) || (f->flags & SYM_COMPILER_MADE)) continue;
      functions.push_back(f);
      (f->flags2 & SYM2_REENTRANT ? some : others) = true;
    }
    if (some && others)
      for (symbol *f : functions) changed |= sym_mark_reentrant(f);
  }
  return changed;
}

void report_recursion_from(symbol *root) {
  if (!root || !root->cg) return;
  vec *nodes = dag_walk(root->cg->node, 1, EDGE_CALL);
  for (uint32_t k = 0; k < vec_size(nodes); k++) {
    dag_node *n = item<dag_node>(nodes, k);
    symbol *f = cg_symbol(n);
    if (!(n->cycle_flags & DAG_ON_CYCLE) || !f || !type_is_function(f->type)) continue;
    if (os().recursion_reported.insert(f).second) sym_report_at(f, 1089, sym_asm_name(f));
  }
  vec_free(nodes);
}

bool enter_pointer_calls() {
  bool changed = false;
  vec *functions = os().functions;
  for (uint32_t k = 0; k < vec_size(functions); k++) {
    symbol *f = item<symbol>(functions, k);
    if (!f->cg) continue;
    vec *pointers = f->cg->called_pointers;
    for (uint32_t p = 0; p < vec_size(pointers); p++) {
      symbol *pointer = item<symbol>(pointers, p);
      vec *targets = function_targets(pointer);
      for (uint32_t t = 0; t < vec_size(targets); t++) {
        symbol *target = item<symbol>(targets, t);
        cg_record(target);
        if ((target->flags2 & SYM2_REENTRANT) && !(pointer->flags2 & SYM2_REENTRANT)) changed |= sym_mark_reentrant(pointer);
        if ((pointer->flags2 & SYM2_REENTRANT) && !(target->flags2 & SYM2_REENTRANT)) changed |= sym_mark_reentrant(target);
        cg_add_call_edge(pointer, target, true);
        if (cg_add_call_edge(f, target, true)) {
          cg_record_caller(target, f);
          changed = true;
        }
      }
      vec_free(targets);
    }
  }
  return changed;
}

// Functions an object's initial value names (tables of handlers) are named
// by main, where the object is set up.
void note_functions_in_initialisers() {
  symbol *main = cg_main();
  if (!main) return;
  for (uint8_t which = OBJ_CONST; which <= OBJ_UNINITIALISED; which++) {
    vec *list = optim_object_list(which);
    for (uint32_t k = 0; k < vec_size(list); k++)
      tree_find(item<symbol>(list, k)->init, main, [](tree_node *n, void *namer) {
        if (n->op == OP_ADDR && n->left && n->left->op == OP_ID)
          cg_note_named_function(n->left->sym, static_cast<symbol *>(namer));
        return false;
      });
  }
}

void reentrancy_fixpoint() {
  symbol *main = cg_main();
  note_functions_in_initialisers();
  for (;;) {
    bool changed = sym_propagate_targets();
    changed |= cg_fill_result_areas();
    changed |= harmonise_pointer_sets();
    vec *functions = os().functions;
    for (uint32_t k = 0; k < vec_size(functions); k++) cg_collect_calls(item<symbol>(functions, k));
    // Every tree is checked: recursion corrupts a compiled stack at any level.
    report_recursion_from(main);
    vec *groups = cg_level_groups();
    for (uint32_t g = 0; g < vec_size(groups); g++) {
      level_group *group = item<level_group>(groups, g);
      for (uint32_t r = 0; r < vec_size(group->roots); r++) report_recursion_from(item<symbol>(group->roots, r));
    }
    changed |= enter_pointer_calls();
    if (!changed) changed = cg_keep_named_functions();
    if (!changed) break;
  }
}


// ---- objects ----

void mark_objects() {
  for (uint8_t which = OBJ_CONST; which <= OBJ_UNINITIALISED; which++) {
    vec *list = optim_object_list(which);
    for (uint32_t k = 0; k < vec_size(list); k++) {
      symbol *s = item<symbol>(list, k);
      s->use_count = 0;
      s->flags &= ~(SYM_ASSIGNED | SYM_ASSIGNED_PLAIN);
      bool fixed = s->flags2 & SYM2_FIXED;
      switch (which) {
        case OBJ_UNINITIALISED:
          s->flags |= SYM_ASSIGNED_PLAIN | (fixed || (s->flags & SYM_DECLARED_ONLY) ? uint32_t(SYM_ASSIGNED) : 0u);
          break;
        case OBJ_ABSOLUTE_OR_PERSISTENT:
          if (fixed) s->flags |= SYM_ASSIGNED_PLAIN | SYM_ASSIGNED;
          break;
        default:
          s->flags |= SYM_ASSIGNED_PLAIN;
      }
    }
  }
  for (uint8_t which : {OBJ_CONST, OBJ_INITIALISED}) {
    vec *list = optim_object_list(which);
    for (uint32_t k = 0; k < vec_size(list); k++) count_uses(item<symbol>(list, k)->init);
  }
}

void walk_function_uses(vec *list) {
  symbol *saved = sym_current_function();
  for (uint32_t k = 0; k < vec_size(list); k++) {
    symbol *f = item<symbol>(list, k);
    if (!f->ctx) continue;
    sym_set_current_function(f);
    for (uint32_t s = 0; s < vec_size(f->ctx->statements); s++) count_uses(item<tree_node>(f->ctx->statements, s));
  }
  sym_set_current_function(saved);
}

vec *used_functions() {
  vec *working = vec_new_default();
  vec *functions = os().functions;
  for (uint32_t k = 0; k < vec_size(functions); k++)
    if (item<symbol>(functions, k)->use_count) vec_push(working, vec_get(functions, k));
  return working;
}

void drop_unused_objects(vec *working) {
  for (uint8_t which = OBJ_CONST; which <= OBJ_UNINITIALISED; which++) drop_never_used(optim_object_list(which), true);
  for (uint32_t k = 0; k < vec_size(working); k++) {
    symbol *f = item<symbol>(working, k);
    drop_never_used(f->params, false);
    drop_never_used(f->autos, true);
  }
}

// ---- placement loop ----

void size_all() {
  cg_traverse_all([](void *, symbol *f, uint32_t) { size_function(f); }, nullptr, VISIT_ALL | VISIT_DESCENDING);
}

// Sizes the functions of the list, callees first: a caller's statements fit
// (or are worked out in pieces) around what they use.
void size_in_order(vec *working) {
  std::set<symbol *> pending;
  for (uint32_t k = 0; k < vec_size(working); k++) pending.insert(item<symbol>(working, k));
  cg_traverse_all(
      [](void *p, symbol *f, uint32_t) {
        if (static_cast<std::set<symbol *> *>(p)->erase(f)) size_function(f);
      },
      &pending, VISIT_ALL | VISIT_DESCENDING);
  for (uint32_t k = 0; k < vec_size(working); k++)
    if (pending.count(item<symbol>(working, k))) size_function(item<symbol>(working, k));
}

// Preparing forgot their registers: the functions are sized again.
void prepare_and_size(vec *working) {
  prepare_functions(working, false);
  size_in_order(working);
}

void placement_loop(vec *working) {
  model.mach_alloc_entered = true;
  stack_forget_pins();
  bool settling = false;
  for (uint32_t round = 0;; round++) {
    if (round == MACH_ALLOC_ROUNDS) {
      msg_print("Looping around MACH_ALLOC\n");
      msg_exit_failure(1);
    }
    sym_propagate_targets();
    sym_size_pointers();
    // Only the stack's pins moved: the statements are what they were, and
    // only the code chosen around the pinned banks is sized again.
    if (settling)
      size_in_order(working);
    else
      prepare_and_size(working);
    vec_clear(working);
    compute_stack_bases();
    vec *moved = emit_place_variables();
    uint32_t count = vec_size(moved);
    for (uint32_t k = 0; k < count; k++) add_transitive_callers(item<symbol>(moved, k), working);
    vec_free(moved);
    if (!count && stack_pins_settled()) break;
    settling = !count;
    if (!count)
      cg_traverse_all([](void *w, symbol *f, uint32_t) { vec_push_unique(static_cast<vec *>(w), f); }, working,
                      VISIT_ALL);
  }
}

// ---- allocation order and refinement ----

struct allocation_entry {
  symbol *f;
  uint32_t mask;
};

std::vector<allocation_entry> allocation_order() {
  std::vector<allocation_entry> order;
  std::set<symbol *> seen;
  struct collect {
    std::vector<allocation_entry> *order;
    std::set<symbol *> *seen;
  } c{&order, &seen};
  cg_traverse_all(
      [](void *p, symbol *f, uint32_t) {
        collect *c = static_cast<collect *>(p);
        if (c->seen->insert(f).second) c->order->push_back({f, cg_level_mask()});
      },
      &c, VISIT_ALL | VISIT_DESCENDING);
  return order;
}

// Runs an action on every function with a body once, from all roots in
// ascending depth.
struct function_action {
  void (*run)(symbol *f);
};

void each_function_once(function_action action) {
  vec *functions = os().functions;
  for (uint32_t k = 0; k < vec_size(functions); k++)
    if (symbol *f = item<symbol>(functions, k); f->cg) f->cg->pass_mark = false;
  cg_traverse_all(
      [](void *a, symbol *f, uint32_t) {
        if (!f->ctx || f->cg->pass_mark) return;
        f->cg->pass_mark = true;
        static_cast<function_action *>(a)->run(f);
      },
      &action, VISIT_FUNCTIONS);
}

void refine_bank_selection() {
  if (!bsr_used()) return;
  bsr_settle(true);
  for (int pass = 0; pass < BSR_SUMMARY_PASSES; pass++) {
    bsr_clear_pass_changed();
    each_function_once({[](symbol *f) {
      symbol *saved = sym_current_function();
      sym_set_current_function(f);
      bsr_forget(~0u);
      write_function_code(f->ctx, RA_TRACK);
      sym_set_current_function(saved);
    }});
    each_function_once({[](symbol *f) { bsr_summarise(f->ctx); }});
    if (!bsr_pass_changed()) return;
  }
  // States that still change are no proof of a bank: none is assumed.
  bsr_settle(false);
  each_function_once({[](symbol *f) { bsr_summarise(f->ctx); }});
}

// ---- output lines ----

// A call through a function pointer passes its arguments in the pointer's
// parameter area, which is the area its targets share. A pointer that is a
// structure's member is reached through the structure.
void write_pointer_area(ptr_targets *set) {
  symbol *p = set->owner;
  ctype *t = p ? type_unqual(p->type) : nullptr;
  while (t && t->kind == TY_ARRAY) t = type_unqual(t->sub);  // a table of them
  if (!t || !((t->kind == TY_POINTER && type_is_function(t->sub)) || t->kind == TY_STRUCT)) return;
  for (uint32_t k = 0; k < vec_size(set->targets); k++) {
    symbol *f = item<ptr_targets>(set->targets, k)->owner;
    if (!f || !f->use_count || !type_is_function(f->type) || (f->flags2 & SYM2_REENTRANT)) continue;
    symbol *area = sym_param_area(p), *target = sym_param_area(f);
    if (!area || !target) return;
    out_printf("\tglobal\t%s\n%s\tequ\t%s\n", sym_asm_name(area), sym_asm_name(area), sym_asm_name(target));
    return;
  }
}

void write_fnalign_lines() {
  vec *sets = ptr_sets_list();
  for (uint32_t k = 0; k < vec_size(sets); k++) {
    ptr_targets *set = item<ptr_targets>(sets, k);
    if (set->owner && !set->owner->use_count) continue;
    write_pointer_area(set);
    if (!cg_aligned_set(set)) continue;
    std::string line;
    const char *held = nullptr;
    for (uint32_t t = 0; t < vec_size(set->targets); t++) {
      symbol *f = item<ptr_targets>(set->targets, t)->owner;
      if (!cg_aligned_member(f)) continue;
      const char *name = sym_level_name(f);
      if (line.empty()) {
        if (!held) {
          held = name;
          continue;
        }
        line = std::string("\tFNALIGN\t") + held;
      }
      line += std::string(",") + name;
      if (line.size() >= FNALIGN_LINE_LIMIT) {
        out_printf("%s\n", line.c_str());
        line.clear();
        held = name;
      }
    }
    if (!line.empty()) out_printf("%s\n", line.c_str());
  }
}

int compare_debug_order(const void *pa, const void *pb) {
  symbol *a = *static_cast<symbol *const *>(pa), *b = *static_cast<symbol *const *>(pb);
  bool fa = type_is_function(a->type), fb = type_is_function(b->type);
  if (fa != fb) return fa ? -1 : 1;
  int c = strcasecmp(a->file ? a->file : "", b->file ? b->file : "");
  if (c) return c;
  return (a->line > b->line) - (a->line < b->line);
}

void write_debug_records(const std::vector<allocation_entry> &order) {
  const optim_debug_writer *debug = os().debug;
  if (!debug || !debug->record) return;
  vec *all = vec_new_default();
  for (const allocation_entry &e : order)
    if (type_is_function(e.f->type) && (e.f->flags2 & SYM2_NOT_WRITTEN)) vec_push(all, e.f);
  for (uint8_t which = OBJ_CONST; which <= OBJ_UNINITIALISED; which++) vec_append(all, optim_object_list(which));
  vec_sort(all, compare_debug_order);
  for (uint32_t k = 0; k < vec_size(all); k++) debug->record(item<symbol>(all, k));
  vec_free(all);
}

void write_call_graph() {
  if (!ra_saw_nonreentrant_code()) return;
  cg_set_level_mask(1);
  if (symbol *main = cg_main(); main && cg_write_fncalls(main)) out_printf("\tFNROOT\t%s\n", sym_level_name(main));
  vec *groups = cg_level_groups();
  for (uint32_t g = 0; g < vec_size(groups); g++) {
    level_group *group = item<level_group>(groups, g);
    cg_set_level_mask(1u << group->level);
    bool any = false;
    for (uint32_t r = 0; r < vec_size(group->roots); r++) {
      symbol *root = item<symbol>(group->roots, r);
      if (!cg_write_fncalls(root)) continue;
      out_printf("\tFNCALL\tintlevel%u,%s\n", group->level, sym_level_name(root));
      any = true;
    }
    if (any) out_printf("\tglobal\tintlevel%u\n\tFNROOT\tintlevel%u\n", group->level, group->level);
  }
  cg_set_level_mask(1);
}

void write_argument_edges() {
  cg_set_level_mask(0);
  vec *list = cg_argument_edge_list();
  for (uint32_t k = 0; k < vec_size(list); k++) {
    symbol *f = item<symbol>(list, k);
    if (f->flags2 & SYM2_REENTRANT) continue;
    std::string name = sym_level_name(f);
    for (uint32_t p = 0; p < vec_size(f->cg->partners); p++)
      out_printf("\tFNARG\t%s,%s\n", name.c_str(), sym_level_name(item<symbol>(f->cg->partners, p)));
  }
}

}  // namespace

int optim_program() {
  optim_state &st = os();
  uint32_t errors_before = msg_error_count();
  // The roots.
  symbol *main = cg_main();
  if (!main || !main->ctx) {
    if (model.feature_list_mode) return 0;
    cg_level_groups();
  } else if (st.mainexit) {
    main->flags |= SYM_MAINEXIT;
    main->use_count = 1;
  }
  if (main) cg_record(main);
  // What the command line declares.
  enter_declared_calls();
  raise_declared_depths();
  // The call graph and reentrancy.
  st.phase = PHASE_CALL_GRAPH;
  prepare_functions(st.functions, true);
  widen_bodiless_returns();
  if (main && main->ctx) main_prologue_scan(main);
  reentrancy_fixpoint();
  // The pointer graph is final; use counts from the roots.
  cg_set_graph_completed();
  mark_indirect_targets();
  for (uint32_t k = 0; k < vec_size(st.functions); k++) {
    symbol *f = item<symbol>(st.functions, k);
    f->flags2 |= SYM2_NOT_WRITTEN;
    f->use_count = 0;
  }
  cg_traverse_all([](void *, symbol *s, uint32_t) { s->use_count++; }, nullptr, VISIT_ALL);
  // Uses inside the used functions; functions nothing calls.
  symbol *saved = sym_current_function();
  for (uint32_t k = 0; k < vec_size(st.functions); k++) {
    symbol *f = item<symbol>(st.functions, k);
    if (f->use_count && f->ctx) {
      sym_set_current_function(f);
      for (uint32_t s = 0; s < vec_size(f->ctx->statements); s++) count_uses(item<tree_node>(f->ctx->statements, s));
    } else if (!model.feature_list_mode && !(f->flags & SYM_LIBRARY)) {
      sym_report_at(f, 520, sym_asm_name(f));
    }
  }
  sym_set_current_function(saved);
  if (model.feature_list_mode) return 0;
  // Used functions and objects, their pointers sized first: the first
  // sizing fits statements whose pointer types would otherwise keep the
  // size given before the graph was known.
  sym_propagate_targets();
  sym_size_pointers();
  prepare_functions(st.functions, true);
  mark_objects();
  vec *working = used_functions();
  st.phase = PHASE_USED_FUNCTIONS;
  prepare_used_functions(working);
  for (auto &[name, count] : st.uses)
    if (symbol *s = sym_find(name.c_str()); s && s->ctx && vec_find(working, s) >= 0) s->use_count = uint16_t(s->use_count + count);
  drop_unused_objects(working);
  // First sizing.
  st.phase = PHASE_SIZING;
  size_all();
  compute_stack_bases();
  walk_function_uses(working);
  // Placement until stable.
  placement_loop(working);
  // Register allocation.
  tree_release_all();
  model.final_alloc_entered = true;
  bool silent = model.output_suppressed;
  model.output_suppressed = true;
  std::vector<allocation_entry> order;
  bool sized_again = false;
  for (uint32_t round = 0;; round++) {
    st.phase = PHASE_ALLOCATION;
    order = allocation_order();
    vec_clear(st.functions);
    for (const allocation_entry &e : order)
      if (e.f->ctx) vec_push(st.functions, e.f);
    for (const allocation_entry &e : order) {
      cg_set_level_mask(e.mask);
      allocate_function(e.f);
    }
    cg_set_level_mask(1);
    // Fitted now that the callees' registers are known, some statements
    // took temporaries the sizing did not count: their functions are sized
    // again (split as they are sized this time), and the allocation is done
    // again, once. The variables keep their places; a stack across banks
    // grows as below, one in a bank where the linker finds room in it.
    vec *grown = ra_take_grown();
    if (vec_size(grown) && !sized_again) {
      sized_again = true;
      for (uint32_t k = 0; k < vec_size(st.functions); k++)
        if (symbol *f = item<symbol>(st.functions, k); f->cg) f->cg->flags &= ~CG_ALLOCATED;
      prepare_and_size(grown);
      model.output_suppressed = true;
      compute_stack_bases();
      vec_free(grown);
      if (!stack_pins_outgrown() || emit_repin_stack()) continue;
      break;
    }
    vec_free(grown);
    // Bank selection refined, with the locals at the offsets the output gives them.
    st.phase = PHASE_BANK_REFINEMENT;
    cg_traverse_all([](void *, symbol *f, uint32_t) { stack_place_locals(f); }, nullptr, VISIT_FUNCTIONS);
    refine_bank_selection();
    // A compiled stack across banks was laid out from sizes the final code
    // outgrew: it is laid out and the code chosen again.
    if (round == MACH_ALLOC_ROUNDS || !stack_pins_outgrown() || !emit_repin_stack()) break;
    ra_set_quiet(true);
  }
  ra_set_quiet(false);
  vec_free(working);
  // Output: the layout, then the data sizes.
  st.phase = PHASE_OUTPUT;
  model.output_suppressed = silent;
  write_fnalign_lines();
  cg_discard_argument_edges();
  write_debug_records(order);
  cg_traverse_all([](void *, symbol *f, uint32_t) { layout_locals(f); }, nullptr, VISIT_FUNCTIONS);
  compute_stack_bases();
  cg_call_depths();
  levelcopy_check();
  data_totals &t = st.totals;
  out_printf(";Data sizes: Strings %lu, constant %lu, data %lu, bss %lu, persistent %lu stack %lu\n", t.strings,
             t.constant, t.data, t.bss, t.persistent, (unsigned long)stack_size());
  // The functions and the call graph.
  if (msg_error_count() != errors_before) return 1;
  cg_traverse_all([](void *, symbol *f, uint32_t) { write_function(f); }, nullptr, VISIT_ALL);
  write_call_graph();
  write_argument_edges();
  return 0;
}

uint32_t optim_phase() { return os().phase; }

bool optim_no_main() { return cg_main() == nullptr; }

void optim_add_function(symbol *f) {
  if (!os().functions) os().functions = vec_new_default();
  vec_push_unique(os().functions, f);
}

vec *optim_functions() {
  if (!os().functions) os().functions = vec_new_default();
  return os().functions;
}

vec *optim_object_list(uint8_t which) {
  if (which < OBJ_CONST || which > OBJ_UNINITIALISED) return nullptr;
  vec *&list = os().objects[which - OBJ_CONST];
  if (!list) list = vec_new_default();
  return list;
}

void optim_note_mainexit() { os().mainexit = true; }

void optim_declare_call(const char *caller, const char *callee) { os().calls.emplace_back(caller, callee); }

void optim_declare_depths(const char *name, uint32_t main_depth, uint32_t interrupt_depth) {
  os().depths.push_back({name, main_depth, interrupt_depth});
}

void optim_declare_uses(const char *name, uint32_t count) { os().uses.emplace_back(name, count); }

data_totals *optim_data_totals() { return &os().totals; }

void optim_set_data_counter(void (*count)(data_totals *)) { os().count = count; }

void optim_recount_data() {
  if (os().count) os().count(&os().totals);
}

void optim_set_debug_writer(const optim_debug_writer *writer) { os().debug = writer; }

const optim_debug_writer *optim_debug() { return os().debug; }

void optim_reset() {
  optim_state &st = os();
  st.phase = PHASE_READING;
  vec_clear(optim_functions());
  for (uint8_t which = OBJ_CONST; which <= OBJ_UNINITIALISED; which++) vec_clear(optim_object_list(which));
  st.mainexit = false;
  st.calls.clear();
  st.depths.clear();
  st.uses.clear();
  st.totals = {};
  st.recursion_reported.clear();
  model.mach_alloc_entered = false;
  model.final_alloc_entered = false;
  cg_reset();
  bsr_reset();
  ra_reset();
}
