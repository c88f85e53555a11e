#include "codegen/target/cgen.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "codegen/model/lexin.h"
#include "codegen/model/ops.h"
#include "codegen/model/patlookup.h"
#include "codegen/model/progstate.h"
#include "codegen/model/ptrtargets.h"
#include "codegen/model/reader.h"
#include "codegen/model/regs.h"
#include "codegen/model/rewrite.h"
#include "codegen/model/simplify.h"
#include "codegen/model/symbols.h"
#include "codegen/model/target_services.h"
#include "codegen/model/tree.h"
#include "codegen/model/treetext.h"
#include "codegen/model/types.h"
#include "codegen/model/walk.h"
#include "codegen/target/expand.h"
#include "codegen/target/macros.h"
#include "codegen/target/pattab.h"
#include "codegen/target/pred.h"
#include "codegen/target/tmpl.h"
#include "common/alert.h"
#include "common/vector.h"

namespace {

tree_node *arg_of(const vec *args, uint32_t k) { return static_cast<tree_node *>(vec_get(args, k)); }

constexpr uint32_t DEPTH_LIMIT = 1000, MAX_LEVELS = 8, SPLIT_PASSES = 20;
// Candidates one statement may try: the search backtracks over operands,
// and a deep tree whose operands all fail late takes time exponential in
// its depth. Past this the statement is reported as not covered.
constexpr uint64_t SELECTION_BUDGET = 2000000;
// A candidate passed over without a failure bit of its own.
constexpr uint32_t PASSED_OVER = 0x100;

struct select_state {
  // Sets of one search, made afresh from the front each time: the search
  // makes a million of them per thousand lines.
  std::vector<regset *> pool;
  size_t pool_used = 0;
  uint32_t depth = 0;
  bool call_clobber = false;
  const tree_node *failed = nullptr;
  uint32_t failed_depth = 0;
  // A node whose operands each fitted alone but not with the other's value
  // kept in registers across their code.
  const tree_node *interfered = nullptr;
  // (node, goal) pairs that failed on their shape alone in this search:
  // registers cannot change that, so they are not tried again.
  std::set<std::pair<const tree_node *, uint32_t>> shape_failed;
  // Registers that variables of the statement live in: operands may read
  // them where they are, but no result may be worked out into one.
  regset *held = nullptr;
  // Held variables a return statement reads once: nothing reads them after
  // that read, so their register may be worked on in place.
  std::set<const symbol *> spent;
  // The registers of the other held variables: code may read them but not
  // destroy them.
  regset *kept = nullptr;
  uint64_t tries = 0;  // candidates tried for the statement
};
select_state &st() {
  static select_state &state = *new select_state();
  return state;
}

regset *conflict() { return rset_busy(); }

regset *pool_new(const regset *from = nullptr) {
  select_state &s = st();
  regset *set;
  if (s.pool_used < s.pool.size()) {
    set = s.pool[s.pool_used];
    if (!from) iset_clear(set);
  } else {
    set = iset_alloc();
    s.pool.push_back(set);
  }
  s.pool_used++;
  if (from) iset_assign(set, from);
  return set;
}

void pool_release() { st().pool_used = 0; }

regset *node_set(tree_node *n, int which) {
  if (!n->sets[which]) n->sets[which] = iset_alloc();
  return n->sets[which];
}

const regset *empty_set() {
  static regset *e = iset_alloc();
  return e;
}

const regset *set_or_empty(const regset *s) { return s ? s : empty_set(); }

// The real machine registers: selection never hands temporaries or
// virtual registers to a wanted set.
const regset *machine_regs() { return rset_of(REG_ALLREG); }

bool is_machine(uint32_t r) { return r >= REG_WREG && r <= REG_CLASS_LAST; }

// The deepest node where a search gave up names what the patterns lack.
void note_failure(const tree_node *n, uint32_t depth) {
  if (n && (!st().failed || depth >= st().failed_depth)) {
    st().failed = n;
    st().failed_depth = depth;
  }
}

uint32_t top_greg(const tree_node *n) { return n && n->count ? n->greg[n->count - 1] : 0; }

// The registers a call may destroy: its callee's, the union over a
// function pointer's targets, or all of them when the callee is unknown.
const regset *callee_regs(const tree_node *call) {
  const tree_node *f = call->left;
  if (f && f->op == OP_ID && f->sym && type_is_function(f->sym->type)) {
    if (f->sym->used_regs) return f->sym->used_regs;
  } else if (f) {
    ptr_targets *targets = f->op == OP_DEREF && f->left ? f->left->targets : f->targets;
    if (regset *r = sym_targets_regs(targets)) return r;
  }
  return machine_regs();
}

bool has_candidates(const tree_node *child, uint32_t goal) {
  if (!child) return false;
  int found = pat_lookup(goal, child->op);
  if (!found) return false;
  if (goal >= GOAL_ONE_PATTERN) return pat_predicates_hold(goal - GOAL_ONE_PATTERN, child);
  return true;
}

// The wanted set handed to an operand.
regset *operand_want(const regset *wanted, uint32_t reg, const tree_node *child) {
  regset *out = pool_new();
  if (iset_is_empty(wanted)) {
    if (reg && reg <= REG_CLASS_LAST) iset_assign(out, rset_of(reg));
    return out;
  }
  if (reg && reg <= REG_CLASS_LAST) {
    iset_assign(out, wanted);
    iset_intersect(out, rset_of(reg));
    if (iset_is_empty(out)) iset_assign(out, rset_of(reg));
    return out;
  }
  iset_assign(out, wanted);
  if (child && child->sets[RS_PINNED]) iset_union(out, child->sets[RS_PINNED]);
  return out;
}

// The registers the level's result texts name; the last one is the answer.
uint32_t text_regs(tree_node *n, uint32_t level, regset *into) {
  const pattern &p = pattern_table[n->patterns[level]];
  uint32_t last = 0;
  uint32_t count = p.text_count ? p.text_count : 1;
  for (uint32_t i = 0; i < count; i++) {
    const char *text = pat_result_text(uint32_t(n->patterns[level]), i);
    tmpl_item item;
    std::string error;
    for (const char *q = text; q && *q;) {
      const char *next = tmpl_next(q, TMPL_CODE, &item, &error);
      if (!next) break;
      q = next;
      if (item.kind != TK_MACRO || !strchr("GSXY", item.letter)) continue;
      const tree_node *of = item.selector == 'L' ? (level ? n : n->left) : item.selector == 'R' ? n->right : n;
      uint32_t at = of == n ? (item.selector == 'L' ? level - 1 : level) : (of && of->count ? of->count - 1 : 0);
      if (!of) continue;
      uint32_t r = 0;
      if (item.letter == 'S') r = of->op == OP_REG ? uint32_t(of->value) : 0;
      else if (item.letter == 'G' && of->op == OP_ID && of->sym) r = sym_held_reg(of->sym);
      else if (item.letter == 'G' && of->op == OP_REG) r = uint32_t(of->value);
      else if (item.letter == 'G') r = of->greg[at];
      else if (item.letter == 'X') r = of->xreg[at];
      else r = of->yreg[at];
      if (item.parts[0] && item.parts[0] != '9' && r && r < REG_EMPTY) {
        uint32_t part = reg_table[r].parts[item.parts[0] - '0'];
        if (part) r = part;
      }
      if (r && r <= REG_CLASS_LAST) {
        if (into) reg_add_leaves(into, r);
        last = r;
      }
    }
  }
  return last;
}

// Recomputes what the node's value and its code keep busy from the flags.
void note_used(tree_node *n) {
  uint32_t level = n->count - 1;
  const pattern &p = pattern_table[n->patterns[level]];
  regset *value = node_set(n, RS_VALUE), *busy = node_set(n, RS_BUSY);
  iset_clear(value);
  iset_clear(busy);
  uint32_t g = n->greg[level];
  if (is_machine(g)) reg_add_leaves(value, g);
  auto add = [&](const regset *s) {
    if (s) iset_union(busy, s);
  };
  if ((p.flags & PF_LEFT_INTO_WANTED) && n->left) add(n->left->sets[RS_USED]);
  if ((p.flags & PF_LEFT_RESULT_USED) && n->left) add(cgen_tree_used(n->left));
  if ((p.flags & PF_RIGHT_INTO_WANTED) && n->right) add(n->right->sets[RS_USED]);
  if ((p.flags & PF_RIGHT_RESULT_USED) && n->right) add(cgen_tree_used(n->right));
  if ((p.flags & PF_XREG_USED) && is_machine(n->xreg[level])) reg_add_leaves(busy, n->xreg[level]);
  if ((p.flags & PF_KEEP_Y) && is_machine(n->yreg[level])) reg_add_leaves(busy, n->yreg[level]);
  if ((p.flags & PF_OWN_USED) && is_machine(n->own_reg)) reg_add_leaves(busy, n->own_reg);
  if (p.flags & PF_TEXT_REGS_USED) text_regs(n, level, busy);
  if (n->count == 1 && is_machine(n->own_reg)) reg_add_leaves(value, n->own_reg);
  // A value no level works out (a word operand's low byte, named by its
  // text) lies where its operands' values lie: those registers hold it.
  if (!iset_is_empty(value)) return;
  for (uint32_t k = 0; k <= level; k++)
    if (pattern_table[n->patterns[k]].code) return;
  if (n->left && n->left->count) iset_union(value, cgen_tree_used(n->left));
  if (n->right && n->right->count && n->right->op != OP_CALLARGS) iset_union(value, cgen_tree_used(n->right));
}

void clear_levels(tree_node *n) {
  n->count = 0;
  if (n->sets[RS_VALUE]) iset_clear(n->sets[RS_VALUE]);
  if (n->sets[RS_BUSY]) iset_clear(n->sets[RS_BUSY]);
  if (n->sets[RS_USED]) iset_clear(n->sets[RS_USED]);
}

regset *minus(const regset *a, const regset *b) {
  regset *out = pool_new(a);
  if (b) iset_subtract(out, b);
  return out;
}

regset *plus(const regset *a, const regset *b) {
  regset *out = pool_new(a);
  if (b) iset_union(out, b);
  return out;
}

bool meets(const regset *a, const regset *b) { return a && b && iset_intersects(a, b); }

// Both operands of a two-operand pattern, in an order that keeps their
// values apart; false when neither order does.
uint32_t match_operands(tree_node *n, const pattern &p, const regset *la, const regset *ra, const regset *live,
                        const regset *lw, const regset *rw) {
  bool right_may_go_first = !(n->flags & TF_RIGHT_NOT_FIRST);
  uint32_t s = cgen_select(n->right, p.right_goal, ra, live, rw);
  if (s) return s;
  // A register named as the destination is not a value worked out beside
  // the right operand's: the value goes into it.
  if (n->op == OP_ASSIGN && n->left && n->left->op == OP_REG && right_may_go_first) {
    s = cgen_select(n->left, p.left_goal, la, live, lw);
    if (!s) n->flags &= ~TF_LEFT_FIRST;
    return s;
  }
  if (right_may_go_first) {
    const regset *rv = cgen_tree_used(n->right);
    regset *rb = n->right->sets[RS_BUSY];
    regset *left_want = (p.flags & PF_SHARE_WANTED) && is_machine(top_greg(n->right))
                            ? pool_new(rset_of(top_greg(n->right)))
                            : minus(lw, rb);
    regset *left_live = minus(live, rv);
    if (!(p.flags & (PF_KEEP_Y | PF_LEFT_INTO_WANTED))) left_live = plus(left_live, rb);
    if (!cgen_select(n->left, p.left_goal, minus(la, rv), left_live, left_want)) {
      n->flags &= ~TF_LEFT_FIRST;
      return 0;
    }
  }
  // Left first, then the right operand around the left one's value.
  s = cgen_select(n->left, p.left_goal, la, live, lw);
  if (s) return s;
  const regset *lv = cgen_tree_used(n->left);
  regset *lb = n->left->sets[RS_BUSY];
  s = cgen_select(n->right, p.right_goal, minus(ra, lv), plus(live, lb), minus(rw, lb));
  if (s) {
    // Each fits alone: one value would have to wait in registers.
    st().interfered = n;
    return s;
  }
  n->flags |= TF_LEFT_FIRST;
  return 0;
}

// The two operands' values stay apart where both are live at once.
bool operands_apart(const tree_node *n, const pattern &p, const regset *allowed) {
  if (n->op == OP_ASSIGN && n->left && n->left->op == OP_REG) return true;  // the destination register
  if (!p.right_goal || (p.flags & (PF_LEFT_USES_XY | PF_RIGHT_USES_XY)) == (PF_LEFT_USES_XY | PF_RIGHT_USES_XY))
    return true;
  const tree_node *first = (n->flags & TF_LEFT_FIRST) ? n->left : n->right;
  const tree_node *second = first == n->left ? n->right : n->left;
  regset *kept = pool_new(cgen_tree_used(const_cast<tree_node *>(first)));
  iset_intersect(kept, allowed);
  return !meets(kept, second->sets[RS_USED]) || iset_equal(kept, cgen_tree_used(const_cast<tree_node *>(second)));
}

// The variable whose own register a node's value at that level (its top
// level for UINT32_MAX) is, through levels that pass an operand on
// unchanged; null when the value is worked out.
const symbol *held_variable_at(const tree_node *n, uint32_t level) {
  while (n && n->count) {
    if (level == UINT32_MAX) level = n->count - 1;
    const pattern &p = pattern_table[n->patterns[level]];
    uint32_t kind = p.flags & PK_MASK;
    if (kind == PK_OWN) return n->op == OP_ID && sym_held_reg(n->sym) ? n->sym : nullptr;
    if (p.code || (kind != PK_LEFT && kind != PK_RIGHT)) return nullptr;
    if (kind == PK_RIGHT) n = n->right, level = UINT32_MAX;
    else if (level) level--;
    else n = n->left, level = UINT32_MAX;
  }
  return nullptr;
}

// Stores the chosen level and decides whether it fits what is wanted.
uint32_t accept(tree_node *n, uint32_t number, uint32_t goal, uint32_t x, uint32_t y, const regset *allowed,
                const regset *wanted) {
  const pattern &p = pattern_table[number];
  uint32_t level = n->count;
  if (level >= MAX_LEVELS) return SEL_SHAPE;
  n->patterns[level] = int16_t(number);
  n->xreg[level] = x;
  n->yreg[level] = y;
  n->greg[level] = 0;
  n->count = level + 1;
  uint32_t g = cgen_result_reg(n);
  if (!g && n->op == OP_REG && (p.flags & PK_MASK) == PK_OWN) g = uint32_t(n->value);
  n->greg[level] = g;
  if (p.left_reg >= REG_TEMP && is_machine(g)) {
    n->count = level;
    return SEL_REGS;
  }
  // Code that works on its operand's register in place would destroy a
  // variable held there, which a sibling operand or a later statement still
  // reads: the variable goes to memory instead.
  uint32_t in_place = p.code && is_machine(g) ? p.flags & PK_MASK : 0;
  if (in_place == PK_LEFT || (in_place == PK_RIGHT && level == 0)) {
    const symbol *held = in_place == PK_RIGHT ? held_variable_at(n->right, UINT32_MAX)
                                              : held_variable_at(level ? n : n->left, level ? level - 1 : UINT32_MAX);
    if (held && !st().spent.count(held)) {
      reg_add_leaves(conflict(), g);
      n->count = level;
      return SEL_REGS;
    }
  }
  note_used(n);
  regset *used = node_set(n, RS_USED);
  if (is_machine(x)) reg_add_leaves(used, x);
  if (is_machine(y)) reg_add_leaves(used, y);
  if (is_machine(n->own_reg)) reg_add_leaves(used, n->own_reg);
  if (p.flags & PF_CALL) {
    const regset *callee = callee_regs(n);
    iset_union(used, callee);
    if (!iset_includes(plus(allowed, machine_regs()), callee)) {
      n->count = level;
      return SEL_REGS;
    }
  }
  if (level == 0) {
    if (n->left) iset_union(used, set_or_empty(n->left->sets[RS_USED]));
    if (n->right) iset_union(used, set_or_empty(n->right->sets[RS_USED]));
  }
  if (!iset_is_empty(wanted) && is_machine(g) && !reg_in_set(wanted, g)) {
    if (iset_is_empty(conflict())) iset_assign(conflict(), wanted);
    n->count = level;
    return SEL_PLACE;
  }
  iset_union(used, rset_for_mask(p.clobber));
  iset_union(used, set_or_empty(n->sets[RS_PINNED]));
  for (uint32_t k = 0; k < vec_size(n->args); k++)
    iset_union(used, set_or_empty(arg_of(n->args, k)->sets[RS_USED]));
  n->goal_matched = goal;
  return 0;
}

// One candidate; 0 when it was taken.
// For the pattern writer: every candidate tried, by depth, with its
// outcome (0 fits, 1 shape, 2 registers, 4 placement).
void trace_candidate(const tree_node *n, uint32_t number, uint32_t goal, uint32_t status, const regset *allowed) {
  static const bool trace = getenv("TOVRA18_TRACE_SELECT") != nullptr;
  if (!trace) return;
  std::string regs;
  regset *copy = iset_alloc();
  iset_assign(copy, allowed);
  for (uint32_t r = iset_first(copy); r; r = iset_next(copy)) regs += std::string(" ") + register_name(r);
  iset_free(copy);
  fprintf(stderr, "%*s%s goal %u: %s -> %x [%s ]\n", int(st().depth), "", lextab[n->op < OP_COUNT ? n->op : 0], goal,
          pattern_rule_of(number).name, status, status ? regs.c_str() : "");
}

uint32_t try_candidate(tree_node *n, uint32_t number, uint32_t goal, const regset *allowed, const regset *live,
                       const regset *wanted, bool *stop) {
  const pattern &p = pattern_table[number];
  bool real = p.op < GOAL_STATEMENT;
  if (p.modes & ~mode_word) return SEL_SHAPE;
  // Operands no candidate can match fail here, before any recursion.
  if (real && p.left_goal && !has_candidates(n->left, p.left_goal)) {
    note_failure(n->left, st().depth + 1);
    return SEL_SHAPE;
  }
  if (real && p.right_goal && !has_candidates(n->right, p.right_goal)) {
    note_failure(n->right, st().depth + 1);
    return SEL_SHAPE;
  }
  // A rule that leaves a call's argument list unmatched would drop the
  // arguments' stores: it fits only a call without arguments.
  if (real && !p.right_goal && n->right && n->right->op == OP_CALLARGS && vec_size(n->right->args)) {
    note_failure(n->right, st().depth + 1);
    return SEL_SHAPE;
  }
  if (!pat_predicates_hold(number, n)) return SEL_SHAPE;
  const regset *clobbered = rset_for_mask(p.clobber);
  if (!iset_includes(allowed, clobbered)) {
    iset_union(conflict(), minus(clobbered, allowed));
    return SEL_REGS;
  }
  if (is_machine(p.result_reg) && !meets(allowed, rset_of(p.result_reg))) {
    if (iset_is_empty(conflict())) iset_assign(conflict(), rset_of(p.result_reg));
    return meets(live, rset_of(p.result_reg)) ? SEL_PLACE : SEL_REGS;
  }
  if (st().kept && meets(clobbered, st().kept)) {
    regset *lost = pool_new(clobbered);
    iset_intersect(lost, st().kept);
    iset_union(conflict(), lost);
    return SEL_REGS;
  }
  if (p.flags & PF_CALL) {
    const regset *callee = callee_regs(n);
    if (!iset_includes(allowed, callee)) {
      iset_union(conflict(), minus(callee, allowed));
      st().call_clobber = true;
      *stop = true;
      return SEL_REGS;
    }
  }
  uint32_t kind = p.flags & PK_MASK;
  // A REG node's own register that the wanted set cannot take, and a call
  // bound to a register the wanted set lacks, pass the candidate over.
  if (n->op == OP_REG && kind == PK_OWN && reg_in_set(allowed, uint32_t(n->value)) && !iset_is_empty(wanted) &&
      !rclass_pick(wanted, uint32_t(n->value)))
    return PASSED_OVER;
  if ((p.flags & PF_CALL) && n->own_reg && !iset_is_empty(wanted) && !reg_in_set(wanted, n->own_reg))
    return PASSED_OVER;
  const regset *lw, *rw;
  if (kind == PK_LEFT) {
    lw = operand_want(wanted, p.left_reg, n->left);
    rw = operand_want(empty_set(), p.right_reg, n->right);
  } else if (kind == PK_RIGHT) {
    lw = operand_want(empty_set(), p.left_reg, n->left);
    rw = operand_want(wanted, p.right_reg, n->right);
  } else {
    lw = operand_want((p.flags & PF_LEFT_INTO_WANTED) ? wanted : empty_set(), p.left_reg, n->left);
    rw = operand_want((p.flags & PF_RIGHT_INTO_WANTED) ? wanted : empty_set(), p.right_reg, n->right);
  }
  // The second work register: one already live, else a free one outside the wanted set.
  uint32_t y = 0;
  if (p.second_reg) {
    y = rclass_pick(live, p.second_reg);
    if (!y) y = rclass_pick(minus(allowed, wanted), p.second_reg);
    if (!y) {
      iset_union(conflict(), rset_of(p.second_reg));
      return SEL_PLACE;
    }
  }
  uint32_t x = 0;
  if (p.result_reg) {
    const regset *pick_from = st().held ? minus(allowed, st().held) : allowed;
    x = kind == PK_XREG ? rclass_find_free(pick_from, p.result_reg, wanted) : rclass_pick(pick_from, p.result_reg);
    if (!x) {
      iset_union(conflict(), rset_of(p.result_reg));
      bool regs = (kind != PK_XREG || !meets(allowed, wanted)) && meets(live, rset_of(p.result_reg));
      return regs ? SEL_REGS : SEL_PLACE;
    }
  }
  regset *la = plus(allowed, n->sets[RS_PINNED]), *ra = plus(allowed, n->sets[RS_PINNED]);
  // A variable held in a register has its value before either operand is
  // worked out: the other operand may not touch that register in any order.
  if (real && n->op != OP_ASSIGN && p.left_goal && p.right_goal && n->left && n->right) {
    if (n->left->sets[RS_PINNED]) iset_subtract(ra, n->left->sets[RS_PINNED]);
    if (n->right->sets[RS_PINNED]) iset_subtract(la, n->right->sets[RS_PINNED]);
  }
  for (uint32_t r : {x, y}) {
    if (!is_machine(r)) continue;
    if (!(p.flags & PF_LEFT_USES_XY)) iset_subtract(la, rset_of(r));
    if (!(p.flags & PF_RIGHT_USES_XY)) iset_subtract(ra, rset_of(r));
  }
  regset *down_live = (p.flags & (PF_KEEP_Y | PF_LEFT_INTO_WANTED)) ? pool_new(live) : pool_new();
  if (is_machine(y)) reg_add_leaves(down_live, y);
  if (is_machine(x) && !(p.flags & PF_LEFT_USES_XY)) iset_subtract(down_live, rset_of(x));
  if (p.flags & PF_SHARE_WANTED) {
    if (iset_is_empty(lw)) lw = rw;
    else if (iset_is_empty(rw)) rw = lw;
  }
  uint32_t s = 0;
  if (real) {
    clear_levels(n);
    if (p.left_goal && !p.right_goal) {
      s = cgen_select(n->left, p.left_goal, la, down_live, lw);
    } else if (p.left_goal) {
      s = match_operands(n, p, la, ra, down_live, lw, rw);
      if (!s && n->op != OP_COLON && !operands_apart(n, p, allowed)) {
        s = SEL_REGS;
        st().interfered = n;
      }
    } else if (p.right_goal) {
      s = cgen_select(n->right, p.right_goal, ra, down_live, rw);
    }
  } else {
    s = cgen_select(n, p.op, la, down_live, lw);
    if (s & SEL_REGS) {
      // A call below needs registers: when none of those it lacked is
      // free here either, no other way of working this node out helps.
      if (st().call_clobber && !meets(conflict(), allowed)) *stop = true;
      else if (!(kind == PK_LEFT && !p.left_reg)) s = cgen_select(n, p.op, la, down_live, lw);
      else s = cgen_select(n, p.op, la, down_live, wanted);
    }
  }
  if (s) return s;
  return accept(n, number, goal, x, y, allowed, wanted);
}

}  // namespace

bool pat_predicates_hold(uint32_t number, const tree_node *n) {
  const pattern &p = pattern_table[number];
  if (!p.pred1) return true;
  if (!pred_word_holds(p.pred1, n)) return false;
  return !p.pred2 || pred_word_holds(p.pred2, n);
}

const regset *cgen_tree_used(tree_node *n) {
  if (!n) return empty_set();
  regset *value = node_set(n, RS_VALUE);
  if (n->count == 0) {
    iset_clear(value);
    if (n->left) iset_union(value, cgen_tree_used(n->left));
    if (n->right) iset_union(value, cgen_tree_used(n->right));
  }
  return value;
}

uint32_t cgen_result_reg(tree_node *n) {
  uint32_t level = n->count - 1;
  const pattern &p = pattern_table[n->patterns[level]];
  switch (p.flags & PK_MASK) {
    case PK_LEFT: return level ? n->greg[level - 1] : top_greg(n->left);
    case PK_RIGHT: return top_greg(n->right);
    case PK_XREG: return n->xreg[level];
    case PK_OWN:
      if (n->op == OP_REG) return uint32_t(n->value);
      if (n->op == OP_ID && sym_held_reg(n->sym)) return sym_held_reg(n->sym);
      msg(703, n->sym ? n->sym->name : "?");
      return 0;
    case PK_NONE: return 0;
    case PK_INVALID: msg(704); return 0;
  }
  return text_regs(n, level, nullptr);
}

void cgen_mark_tree(tree_node *t, regset *in_use) {
  if (!t) return;
  if (t->own_reg) iset_add(in_use, t->own_reg);
  regset *pinned = node_set(t, RS_PINNED);
  iset_clear(pinned);
  for (uint32_t k = 0; k < vec_size(t->args); k++) {
    tree_node *a = arg_of(t->args, k);
    cgen_mark_tree(a, in_use);
    // The register an argument is passed in is written just before the
    // call, not read: around the call it holds nothing of the statement's.
    bool passed_in_register = a->op == OP_ASSIGN && a->left && a->left->op == OP_REG && a->right;
    iset_union(pinned, passed_in_register ? a->right->sets[RS_PINNED] : a->sets[RS_PINNED]);
  }
  cgen_mark_tree(t->left, in_use);
  cgen_mark_tree(t->right, in_use);
  if (op_dope(t->op) & D_ORDERED) t->flags |= TF_RIGHT_NOT_FIRST;
  if (t->op == OP_ID && sym_held_reg(t->sym) && sym_held_reg(t->sym) <= REG_CLASS_LAST)
    reg_add_leaves(pinned, sym_held_reg(t->sym));
  if (t->op == OP_REG && t->value > 0 && uint32_t(t->value) <= REG_CLASS_LAST)
    reg_add_leaves(pinned, uint32_t(t->value));
  if (t->left) iset_union(pinned, t->left->sets[RS_PINNED]);
  if (t->right) iset_union(pinned, t->right->sets[RS_PINNED]);
  // Most subtrees pin nothing: no set, which reads as empty, costs less.
  if (iset_is_empty(pinned)) {
    iset_free(pinned);
    t->sets[RS_PINNED] = nullptr;
  }
}

namespace {

bool is_register_store(const tree_node *a) { return a->op == OP_ASSIGN && a->left && a->left->op == OP_REG; }

bool has_call(tree_node *t) {
  return tree_find(t, nullptr, [](tree_node *n, void *) { return n->op == OP_CALL || n->op == OP_CALLZAP; }) != nullptr;
}

bool reads_held(const tree_node *a) { return a->sets[RS_PINNED] && !iset_is_empty(a->sets[RS_PINNED]); }

// An argument passed in a register is loaded after the plain stores that
// follow it: their code may need that register (W for a literal). It went
// first while it had a call, which decomposition may have taken out.
void register_stores_last(vec *args) {
  for (uint32_t k = vec_size(args); k-- > 0;) {
    tree_node *a = arg_of(args, k);
    if (!is_register_store(a) || has_call(a)) continue;
    uint32_t to = k;
    while (to + 1 < vec_size(args)) {
      tree_node *after = arg_of(args, to + 1);
      if (is_register_store(after) || has_call(after) || tree_has_side_effect(after->right)) break;
      to++;
    }
    if (to == k) continue;
    vec_remove_at(args, k);
    vec_insert(args, a, to);
  }
}

// Arguments may be stored in any order once the calls among them are done:
// one that reads a variable held in a register goes before the plain
// stores ahead of it, whose code may need that register (W for a literal).
void order_held_readers_first(vec *args) {
  for (uint32_t k = 1; k < vec_size(args); k++) {
    tree_node *a = arg_of(args, k);
    if (is_register_store(a) || !reads_held(a) || has_call(a)) continue;
    uint32_t to = k;
    while (to > 0) {
      tree_node *before = arg_of(args, to - 1);
      if (is_register_store(before) || reads_held(before) || has_call(before)) break;
      to--;
    }
    if (to == k) continue;
    vec_remove_at(args, k);
    vec_insert(args, a, to);
  }
}

}  // namespace

uint32_t cgen_select(tree_node *n, uint32_t goal, const regset *allowed, const regset *live, const regset *wanted) {
  select_state &s = st();
  if (++s.depth > DEPTH_LIMIT) {
    msg(701);
    s.depth--;
    return SEL_REGS;
  }
  auto leave = [&](uint32_t status) {
    if (status) note_failure(n, s.depth);
    s.depth--;
    return status;
  };
  if (s.shape_failed.count({n, goal})) return leave(SEL_SHAPE);
  if (s.tries > SELECTION_BUDGET) {
    if (iset_is_empty(conflict())) iset_assign(conflict(), allowed);
    return leave(SEL_REGS);
  }
  const regset *pinned = set_or_empty(n->sets[RS_PINNED]);
  if (n->sets[RS_REQUIRED] && !iset_is_empty(n->sets[RS_REQUIRED]) && !iset_includes(allowed, n->sets[RS_REQUIRED])) {
    if (!iset_includes(plus(allowed, pinned), n->sets[RS_REQUIRED])) {
      iset_assign(conflict(), minus(allowed, n->sets[RS_REQUIRED]));
      return leave(SEL_REGS);
    }
  }
  if (is_machine(n->own_reg) && !reg_in_set(allowed, n->own_reg)) return leave(SEL_REGS);
  if (n->op == OP_CALLARGS) {
    register_stores_last(n->args);
    order_held_readers_first(n->args);
    regset *args_allowed = pool_new(allowed), *args_live = pool_new(live);
    for (uint32_t k = 0; k < vec_size(n->args); k++) {
      tree_node *a = arg_of(n->args, k);
      // A variable held in a register that a later argument reads must
      // survive this one.
      regset *own_allowed = pool_new(args_allowed);
      for (uint32_t j = k + 1; j < vec_size(n->args); j++)
        if (const regset *later = arg_of(n->args, j)->sets[RS_PINNED]; later && s.held) {
          regset *kept = pool_new(later);
          iset_intersect(kept, s.held);
          iset_subtract(own_allowed, kept);
        }
      if (uint32_t status = cgen_select(a, goal, own_allowed, args_live, empty_set())) return leave(status);
      // An argument stored in memory is done with its registers; one put in
      // a register keeps it until the call.
      if (a->op == OP_ASSIGN && a->left && a->left->op == OP_REG) {
        iset_subtract(args_allowed, rset_of(uint32_t(a->left->value)));
        iset_union(args_live, rset_of(uint32_t(a->left->value)));
      }
    }
  }
  int list = pat_lookup(goal, n->op);
  if (!list) return leave(SEL_SHAPE);
  regset *want = pool_new(wanted);
  iset_intersect(want, machine_regs());
  if (!iset_is_empty(want) && !meets(want, allowed) && !meets(want, pinned)) {
    iset_assign(conflict(), want);
    return leave(SEL_REGS);
  }
  uint32_t status = 0;
  uint32_t entry_count = n->count;
  bool stop = false, passed_over = false;
  for (int k = list;; k++) {
    int16_t entry = list < 0 ? int16_t(list) : pattern_lists[k];
    uint32_t number = uint32_t(entry < 0 ? -entry : entry);
    n->count = entry_count;
    s.tries++;
    uint32_t r = try_candidate(n, number, goal, allowed, live, want, &stop);
    trace_candidate(n, number, goal, r, allowed);
    if (r == 0) {
      s.depth--;
      return 0;
    }
    if (r == PASSED_OVER) passed_over = true;
    else status |= r;
    if (stop || entry < 0) break;
  }
  n->count = entry_count;
  if (status == SEL_SHAPE && !passed_over) s.shape_failed.insert({n, goal});
  if (status == 0) status = SEL_NONE_FIT;
  if (status > SEL_SHAPE) status &= ~SEL_SHAPE;
  if (iset_is_empty(live) && !iset_is_empty(want)) {
    status &= ~SEL_PLACE;
    if (!status) status = SEL_REGS;
  }
  if (n->op == OP_ADDR && !iset_is_empty(pinned)) {
    if (n->left && n->left->op == OP_ID && sym_held_reg(n->left->sym))
      iset_assign(conflict(), pinned);
    else
      iset_union(conflict(), pinned);
  }
  return leave(status);
}

const tree_node *cgen_failed_node() { return st().failed; }

bool cgen_search_exhausted() { return st().tries > SELECTION_BUDGET; }

bool cgen_match_tree(tree_node *t, uint32_t goal, regset *allowed) {
  if (!t || t->op == OP_ASM) return true;
  tree_set_position(t);
  select_state &s = st();
  regset *in_use = pool_new();
  cgen_mark_tree(t, in_use);
  iset_clear(conflict());
  regset *start = pool_new(allowed);
  s.call_clobber = false;
  s.failed = nullptr;
  s.failed_depth = 0;
  s.interfered = nullptr;
  s.depth = 0;
  s.shape_failed.clear();
  s.tries = 0;
  s.held = pool_new();
  tree_find(t, s.held, [](tree_node *n, void *held) {
    uint32_t r = n->op == OP_ID ? sym_held_reg(n->sym) : 0;
    if (r && r <= REG_CLASS_LAST) reg_add_leaves(static_cast<regset *>(held), r);
    return false;
  });
  s.spent.clear();
  if (t->op == OP_RETURN) {
    std::map<const symbol *, uint32_t> reads;
    tree_find(t, &reads, [](tree_node *n, void *reads) {
      if (n->op == OP_ID && sym_held_reg(n->sym)) (*static_cast<std::map<const symbol *, uint32_t> *>(reads))[n->sym]++;
      return false;
    });
    for (auto [sym, count] : reads)
      if (count == 1) s.spent.insert(sym);
  }
  // A variable the statement stores to has no value of its own left to keep.
  if (t->op == OP_ASSIGN && t->left && t->left->op == OP_ID && sym_held_reg(t->left->sym)) s.spent.insert(t->left->sym);
  s.kept = pool_new();
  tree_find(t, &s, [](tree_node *n, void *state) {
    select_state &s = *static_cast<select_state *>(state);
    uint32_t r = n->op == OP_ID ? sym_held_reg(n->sym) : 0;
    if (r && r <= REG_CLASS_LAST && !s.spent.count(n->sym)) reg_add_leaves(s.kept, r);
    return false;
  });
  uint32_t status = cgen_select(t, goal, start, empty_set(), empty_set());
  s.held = nullptr;
  s.kept = nullptr;
  pool_release();
  return status == 0;
}

void cgen_statement(tree_node *t, int kind) {
  if (!t || t->op == OP_EMPTY) return;
  tree_set_position(t);
  // -D keeps the statement trace the model's tests read.
  if (model.debug_dump && !model.output_suppressed && t->op != OP_ASM)
    out_printf("\t; %s\n", lextab[t->op < OP_COUNT ? t->op : 0]);
  if (t->op == OP_ASM || cgen_match_tree(t, GOAL_STATEMENT, rset_free_regs())) {
    if (model.debug_dump && !model.output_suppressed && t->op != OP_ASM)
      out_printf("\t;\t%s\n", cgen_describe(t).c_str());
    cgen_emit_tree(t, kind);
    return;
  }
  cgen_report_uncovered(t);
}

namespace {

bool subtree_holds(const tree_node *t, const tree_node *n) {
  return t && (t == n || subtree_holds(t->left, n) || subtree_holds(t->right, n));
}

}  // namespace

void cgen_report_uncovered(tree_node *t) {
  // Name the operator where the search gave up: that is what needs a rule.
  const tree_node *at = cgen_failed_node() ? cgen_failed_node() : t;
  bool regs = !iset_is_empty(conflict());
  tree_set_position(t);
  // For the pattern writer: the whole statement, so the missing rule can be
  // written.
  static const bool trace = getenv("TOVRA18_TRACE_UNCOVERED") != nullptr;
  if (trace) fprintf(stderr, "uncovered at %s: %s\n", lextab[at->op < OP_COUNT ? at->op : 0], tree_typed_text(t).c_str());
  if (regs && subtree_holds(st().interfered, at)) {
    emit_save_regs();
    emit_restore_regs();
    return;
  }
  msg_once(regs ? 706 : 702, lextab[at->op < OP_COUNT ? at->op : 0]);
}

std::string cgen_describe(const tree_node *t) {
  std::string text;
  if (!t) return text;
  text += lextab[t->op < OP_COUNT ? t->op : 0];
  for (uint32_t k = 0; k < t->count; k++) {
    text += k ? "," : "{";
    text += pattern_rule_of(uint32_t(t->patterns[k])).name;
  }
  if (t->count) text += "}";
  if (t->left || t->right) {
    text += "(" + cgen_describe(t->left);
    if (t->right) text += " " + cgen_describe(t->right);
    text += ")";
  }
  return text;
}

// Rewriting.

namespace {

// Reads the records of a rewrite text from memory.
void read_records(const char *text) {
  lex_stream *s = lex_open_text(text);
  bool was = model.reading_rewrite;
  model.reading_rewrite = true;
  lex_read_records(s);
  model.reading_rewrite = was;
  lex_close(s);
}

// The replacement expression; its back-references (L, R, J...) copy parts of `old`.
tree_node *read_tree(const char *text, tree_node *old) {
  lex_stream *s = lex_open_text(text);
  s->previous = old;
  bool was = model.reading_rewrite;
  model.reading_rewrite = true;
  tree_node *t = tree_read(s);
  model.reading_rewrite = was;
  lex_close(s);
  return t;
}

const char *type_word(const tree_node *n, bool name) {
  uint8_t arith = tree_arith(n);
  uint32_t size = tree_size(n);
  if (name) {
    ctype *t = type_unqual(n->type);
    if (t && t->kind == TY_BASIC && t->name) return t->name;
    // An enumeration, or no basic type: the integer type of its size and class.
    static const char *const unsigned_names[] = {"v", "uc", "ui", "utx", "ul"};
    static const char *const signed_names[] = {"v", "c", "i", "tx", "l"};
    if (size > 4) return "v";
    return arith == ARITH_SIGNED ? signed_names[size] : unsigned_names[size];
  }
  static const char *const letters[] = {"v", "b", "w", "t", "l"};
  return size <= 4 ? letters[size] : "v";
}

}  // namespace

const char *cgen_subst_text(const tree_node *n, const char *text) {
  static std::string out;
  out.clear();
  out.reserve(256);
  tmpl_item item;
  std::string error;
  bool in_backquote = false;
  for (const char *p = text; *p;) {
    const char *next = tmpl_next(p, TMPL_SUBST, &item, &error);
    if (item.kind == TK_MACRO) {
      const tree_node *of = item.selector == 'L' ? n->left : item.selector == 'R' ? n->right : n;
      char buffer[32] = "";
      if (of) switch (item.letter) {
        case 'T': snprintf(buffer, sizeof buffer, "%u", of->member ? of->member->bf_width : 0u); break;
        case 'C': snprintf(buffer, sizeof buffer, "%u", of->member ? of->member->bf_offset : 0u); break;
        case 'A':
          snprintf(buffer, sizeof buffer, "%s", tree_arith(of) == ARITH_FLOAT ? "f"
                                                 : tree_arith(of) == ARITH_SIGNED ? "a" : "l");
          break;
        case 'N': snprintf(buffer, sizeof buffer, "%u", uint32_t(label_new())); break;
        case 'O':
          snprintf(buffer, sizeof buffer, "%s",
                   item.has_number && item.number == 9 ? lextab[of->op] : cgen_operator_name(of->op));
          break;
        case 'Q': snprintf(buffer, sizeof buffer, "%s", cgen_operator_name(of->op)); break;
        case 'W': snprintf(buffer, sizeof buffer, "%s", type_word(of, item.has_number && item.number == 9)); break;
        case 'Z': snprintf(buffer, sizeof buffer, "%u", tree_size(of)); break;
      }
      out += buffer;
      p = next;
      continue;
    }
    char c = *p;
    if (c == '`') in_backquote = true;
    else if (c == ' ' || c == '\t' || c == '\n') in_backquote = false;
    if (c == ',' && p[1] == ',') {
      out += ';';
      p += 2;
      continue;
    }
    out += c;
    if (!in_backquote && strchr("&*$-:", c) && p[1] >= 'a' && p[1] <= 'z') {
      out += char(p[1] - 'a' + 'A');
      p += 2;
      continue;
    }
    p = next;
  }
  return out.c_str();
}

tree_node *cgen_rewrite(tree_node *n) {
  if (!n) return nullptr;
  tree_set_position(n);
  // Most operators have no rewrite rule: a search, which first marks the
  // whole subtree, cannot match them, and each pass asks it of every node.
  bool searched = n->op == OP_ASM || n->op == OP_CALLARGS || pat_lookup(GOAL_REWRITE_NUMBER, n->op);
  bool matched = searched && cgen_match_tree(n, GOAL_REWRITE_NUMBER, const_cast<regset *>(machine_regs()));
  uint32_t number = matched ? uint32_t(n->patterns[n->count - 1]) : 0;
  // A rule without code or text keeps the node as it is; its operands may
  // still need rewriting.
  if (!matched || (!pattern_table[number].code && !*pat_result_text(number, 0))) {
    if (op_is_binary(n->op) && n->right) {
      if (tree_node *r = cgen_rewrite(n->right)) {
        n->right = r;
        return n;
      }
    }
    bool any = false;
    for (uint32_t k = 0; k < vec_size(n->args); k++) {
      if (tree_node *r = cgen_rewrite(arg_of(n->args, k))) {
        vec_set(n->args, r, k);
        any = true;
      }
    }
    if (any) return n;
    if (n->left && op_has_operands(n->op)) {
      if (tree_node *r = cgen_rewrite(n->left)) {
        n->left = r;
        return n;
      }
    }
    return nullptr;
  }
  const pattern &p = pattern_table[number];
  const char *first = pat_result_text(number, 0);
  if (p.code && *p.code) read_records(cgen_subst_text(n, p.code));
  tree_node *replacement = nullptr;
  if (*first) {
    std::string expression = cgen_subst_text(n, first);
    replacement = read_tree(expression.c_str(), n);
  }
  if (!replacement) return nullptr;
  replacement->comment = n->comment;
  n->comment = nullptr;
  tree_free(n);
  if (p.trail && *p.trail) read_records(cgen_subst_text(replacement, p.trail));
  return replacement;
}

tree_node *cgen_split_tree(tree_node *t) {
  if (!t || t->op == OP_ASM) return t;
  t = tree_simplify(t);
  // A pass rewrites one operation, so a statement of many (products that
  // become calls) gets a pass for each of its nodes.
  uint32_t nodes = 0;
  tree_find(t, &nodes, [](tree_node *, void *count) {
    ++*static_cast<uint32_t *>(count);
    return false;
  });
  for (uint32_t pass = 0; pass < SPLIT_PASSES + nodes; pass++) {
    tree_node *r = cgen_rewrite(t);
    if (!r) return t;
    t = tree_simplify(r);
  }
  msg(1059);
  return t;
}
