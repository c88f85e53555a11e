#include "codegen/model/rewrite.h"

#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <unordered_map>
#include <utility>
#include <vector>

#include "codegen/model/build.h"
#include "codegen/model/callgraph.h"
#include "codegen/model/foldsupport.h"
#include "codegen/model/simplify.h"
#include "codegen/model/symbols.h"
#include "codegen/model/target_services.h"
#include "codegen/model/walk.h"
#include "common/alert.h"
#include "common/alloc.h"
#include "common/vector.h"

namespace {

uint16_t label_counter;
bool rewrite_again;

// The labels of a function: numbers reserved for it, and how many of them
// its statements and code took since they were last rebuilt. A rebuild takes
// the same numbers again, so the names do not depend on how many ran.
struct label_book {
  std::vector<std::pair<uint16_t, uint16_t>> spans;  // first number, count
  uint32_t taken = 0;
};

std::unordered_map<const symbol *, label_book> &label_books() {
  static auto &books = *new std::unordered_map<const symbol *, label_book>();
  return books;
}

uint16_t book_label(label_book &book) {
  uint32_t k = book.taken++, reserved = 0;
  for (auto [first, count] : book.spans) {
    if (k < count) return uint16_t(first + k);
    k -= count;
    reserved += count;
  }
  // More than reserved so far: a span past every number given out.
  uint16_t count = uint16_t(reserved < 16 ? 16 : reserved);
  uint16_t first = uint16_t(label_counter + 1);
  label_counter = uint16_t(label_counter + count);
  book.spans.emplace_back(first, count);
  return first;
}

tree_node *label(int32_t base) { return tree_const(base + label_new()); }

tree_node *label_copy(const tree_node *l) { return tree_copy(l); }

tree_node *define(tree_node *l) { return tree_build(OP_LABEL, l, nullptr); }

tree_node *jump(tree_node *l) { return tree_build(OP_JUMP, l, nullptr); }

tree_node *jump_if(tree_node *condition, tree_node *l) { return tree_build(OP_CJUMP, condition, l); }

tree_node *false_jump(tree_node *condition, tree_node *l) {
  return jump_if(tree_simplify(tree_build(OP_NOT, condition, nullptr)), l);
}

tree_node *empty_statement() {
  tree_node *n = tree_node_new();
  n->op = OP_EMPTY;
  n->type = type_void();
  n->height = 1;
  return n;
}

// The operands of a node, taken out of it; the node itself is freed.
void take_operands(tree_node *n, tree_node **left, tree_node **right) {
  *left = op_has_operands(n->op) ? n->left : nullptr;
  *right = op_is_binary(n->op) ? n->right : nullptr;
  free_shell(n);
}

// target op value, or a return of the value when target is null.
tree_node *store(uint32_t op, tree_node *target, tree_node *value) {
  if (!target) return tree_build(OP_RETURN, value, nullptr);
  return tree_build(op, tree_copy(target), value);
}

tree_node *typed_const(int32_t v, tree_node *target) {
  if (target) return tree_const_typed(v, target->type);
  symbol *f = sym_current_function();
  ctype *t = f ? type_unqual(f->type) : nullptr;
  return tree_const_typed(v, t && t->kind == TY_FUNCTION ? t->sub : type_int());
}

// Jumps to the label when a && b (k 1) or a || b (k 0) is decided against k.
void jump_when_decided(tree_node *a, tree_node *b, bool is_and, tree_node *l, vec *list) {
  if (is_and) {
    nodeRewrite(false_jump(a, label_copy(l)), list);
    nodeRewrite(false_jump(b, label_copy(l)), list);
  } else {
    nodeRewrite(jump_if(a, label_copy(l)), list);
    nodeRewrite(jump_if(b, label_copy(l)), list);
  }
}

bool is_volatile_target(const tree_node *t) { return t && tree_is_volatile(t); }

// target op (a && b) or (a || b), or a return of it (target null).
bool contains_call(tree_node *t) { return tree_find_call(t) != nullptr; }

// The object a store writes, seen through members and indexing; null when
// it is reached through a pointer.
const symbol *stored_object(const tree_node *t) {
  const tree_node *base = tree_assigned_base(const_cast<tree_node *>(t));
  return base->op == OP_ID ? base->sym : nullptr;
}

// Whether evaluating t may read what a store to target writes: t names the
// object, or reads through a pointer that may point to it. A store through
// a pointer may write what anything reads.
bool may_read_target(const tree_node *t, const tree_node *target) {
  const symbol *object = stored_object(target);
  if (!object) return !tree_is_constant(t);
  if (tree_uses_symbol(t, object)) return true;
  // A value returned through the parameter area lies over the parameters.
  if ((object->flags & SYM_STACK_AREA) &&
      tree_find(const_cast<tree_node *>(t), nullptr, [](tree_node *n, void *) {
        return n->op == OP_ID && n->sym && n->sym->sclass == SC_PARAM;
      }))
    return true;
  // A called function may read a static or extern object, or any object
  // whose address it may have been given.
  bool visible = object->sclass == SC_EXTERN || object->sclass == SC_STATIC || (object->flags2 & SYM2_ADDRESS_TAKEN);
  if (visible && contains_call(const_cast<tree_node *>(t))) return true;
  if (!(object->flags2 & SYM2_ADDRESS_TAKEN)) return false;
  return tree_find(const_cast<tree_node *>(t), nullptr, [](tree_node *n, void *) {
           return n->op == OP_DEREF && !(n->left && n->left->op == OP_ADD && n->left->left &&
                                         n->left->left->op == OP_ADDR);
         }) != nullptr;
}

bool stores_parameter_area(const tree_node *target) {
  const symbol *object = stored_object(target);
  return object && (object->flags & SYM_STACK_AREA);
}

void lower_logical(uint32_t op, tree_node *target, tree_node *c, vec *list) {
  bool is_and = c->op == OP_LAND;
  int32_t k = is_and ? 1 : 0;
  tree_node *a, *b;
  take_operands(c, &a, &b);
  // The plain form stores 1 - k before the operands are read: only when
  // neither of them can read the target.
  bool reads = target && (may_read_target(a, target) || may_read_target(b, target));
  if (reads || op != OP_ASSIGN || !target || is_volatile_target(target)) {
    tree_node *d = label(LABEL_LOGICAL_READ), *e = label(LABEL_LOGICAL_END);
    jump_when_decided(a, b, is_and, d, list);
    nodeRewrite(store(op, target, typed_const(k, target)), list);
    nodeRewrite(jump(label_copy(e)), list);
    nodeRewrite(define(d), list);
    nodeRewrite(store(op, target, typed_const(1 - k, target)), list);
    nodeRewrite(define(e), list);
    return;
  }
  tree_node *l = label(LABEL_LOGICAL_PLAIN);
  nodeRewrite(store(OP_ASSIGN, target, typed_const(1 - k, target)), list);
  jump_when_decided(a, b, is_and, l, list);
  nodeRewrite(store(op, target, typed_const(k, target)), list);
  nodeRewrite(define(l), list);
}


// target op (cond ? a : b), or a return of it (target null).
void lower_conditional(uint32_t op, tree_node *target, tree_node *q, vec *list) {
  tree_node *cond, *alternatives, *a, *b;
  take_operands(q, &cond, &alternatives);
  take_operands(alternatives, &a, &b);
  a->partner = b->partner = nullptr;
  bool branches = !target || op != OP_ASSIGN || is_volatile_target(target) || may_read_target(cond, target);
  if (!branches && target->op == OP_ID && (target->sym->flags & SYM_STACK_AREA) && contains_call(a)) branches = true;
  // Overwriting evaluates b unconditionally and before a: only when b has no
  // effect and a does not read what b wrote.
  if (!branches && (tree_has_side_effect(b) || may_read_target(a, target))) branches = true;
  if (!branches) {
    tree_node *trial = tree_simplify(tree_build(OP_ASSIGN, tree_copy(target), tree_copy(a)));
    branches = !tree_has_side_effect(trial);
    tree_free(trial);
  }
  if (branches) {
    tree_node *h = label(LABEL_CHOICE_BRANCH), *c = label(LABEL_CHOICE_BRANCH);
    nodeRewrite(jump_if(cond, label_copy(h)), list);
    nodeRewrite(store(op, target, b), list);
    nodeRewrite(jump(label_copy(c)), list);
    nodeRewrite(define(h), list);
    nodeRewrite(store(op, target, a), list);
    nodeRewrite(define(c), list);
    return;
  }
  bool b_zero = tree_is_zero(b);
  nodeRewrite(store(OP_ASSIGN, target, b), list);
  tree_node *c = label(LABEL_CHOICE_OVERWRITE);
  nodeRewrite(false_jump(cond, label_copy(c)), list);
  if (b_zero && is_const(a) && tree_size(target) > 1)
    nodeRewrite(store(OP_ASOR, target, a), list);
  else
    nodeRewrite(store(OP_ASSIGN, target, a), list);
  nodeRewrite(define(c), list);
}

struct lower_ctx {
  vec *list;
};

bool is_logical(const tree_node *t) { return t && (t->op == OP_LAND || t->op == OP_LOR); }

tree_node *lower_branches(void *ctx, tree_node *n, int, int, int inner) {
  vec *list = static_cast<lower_ctx *>(ctx)->list;
  if (n->op == OP_RETURN && (is_logical(n->left) || (n->left && n->left->op == OP_QUEST))) {
    tree_node *value = n->left;
    n->left = nullptr;
    tree_node_free(n);
    if (value->op == OP_QUEST)
      lower_conditional(OP_RETURN, nullptr, value, list);
    else
      lower_logical(OP_RETURN, nullptr, value, list);
    return empty_statement();
  }
  switch (n->op) {
    case OP_ASSIGN:
    case OP_ASAND:
    case OP_ASADD:
    case OP_ASSUB:
    case OP_ASXOR:
    case OP_ASOR:
      // Only a whole statement computes its target in place: the rest of an
      // expression may run calls between (an argument stored into the
      // parameter area of a function that the expression calls again).
      if (!inner && n->left->op == OP_ID && !tree_is_volatile(n->left) &&
          (is_logical(n->right) || n->right->op == OP_QUEST)) {
        tree_node *target = n->left, *value = n->right;
        uint32_t op = n->op;
        free_shell(n);
        if (value->op == OP_QUEST)
          lower_conditional(op, target, value, list);
        else
          lower_logical(op, target, value, list);
        return target;
      }
      return n;
    case OP_SEQ:
      // What a sequence does first goes before anything its right is
      // lowered into: the walk takes right operands first.
      if (inner) {
        tree_node *left = n->left, *right = n->right;
        free_shell(n);
        nodeRewrite(left, list);
        return lower_branches(ctx, right, 0, 0, inner);
      }
      return n;
    case OP_LAND:
    case OP_LOR:
    case OP_QUEST: {
      symbol *t = sym_new_temp(n);
      tree_node *temp = tree_ident(t);
      if (n->op == OP_QUEST)
        lower_conditional(OP_ASSIGN, temp, n, list);
      else
        lower_logical(OP_ASSIGN, temp, n, list);
      return temp;
    }
  }
  return n;
}

struct hoist_ctx {
  vec *list;
};

// Replaces each call in the tree by a temporary assigned before the statement.
tree_node *call_to_temporary(void *ctx, tree_node *n, int, int, int) {
  if (n->op != OP_CALL || (n->callee && (n->callee->flags2 & SYM2_INLINE))) return n;
  vec *list = static_cast<hoist_ctx *>(ctx)->list;
  symbol *t = sym_new_temp(n);
  tree_node *temp = tree_ident(t);
  nodeRewrite(tree_build(OP_ASSIGN, tree_ident(t), n), list);
  rewrite_again = true;
  return temp;
}

tree_node *hoist_out_of(tree_node *t, vec *list) {
  hoist_ctx ctx{list};
  return tree_walk(WALK_POST_RIGHT_FIRST, &ctx, t, call_to_temporary, 0, 0, 0);
}

// A sequence inside the statement: what it does first becomes a statement
// before it. Outer sequences go before the ones inside them (a walk from
// the root), so that (f(), (g = 0, h)) still calls f before it stores g.
tree_node *hoist_sequences(void *ctx, tree_node *n, int, int, int c) {
  if (n->op != OP_SEQ || !c) return n;
  vec *list = static_cast<hoist_ctx *>(ctx)->list;
  tree_node *left = n->left, *right = n->right;
  free_shell(n);
  nodeRewrite(left, list);
  rewrite_again = true;
  return right;
}

tree_node *hoist_calls(void *ctx, tree_node *n, int, int, int c) {
  vec *list = static_cast<hoist_ctx *>(ctx)->list;
  if (n->op == OP_SEQ && c) return hoist_sequences(ctx, n, 0, 0, c);
  // A member of a returned structure: the structure goes to a temporary,
  // whose member is then read; no code takes the address of a result.
  if (n->op == OP_ADDR && n->left && n->left->op == OP_CALL) {
    symbol *t = sym_new_temp(n->left);
    nodeRewrite(tree_build(OP_ASSIGN, tree_ident(t), n->left), list);
    n->left = tree_ident(t);
    rewrite_again = true;
    return n;
  }
  if (n->op != OP_CALL || !n->right || n->right->op != OP_CALLARGS) return n;
  if (n->callee && (n->callee->flags2 & SYM2_REENTRANT)) return n;
  vec *args = n->right->args;
  // The list runs in reverse source order: the first argument is its last entry.
  int first = -1;
  for (uint32_t k = vec_size(args); k-- > 0;) {
    tree_node *arg = static_cast<tree_node *>(vec_get(args, k));
    if (!contains_call(arg)) continue;
    if (first < 0) {
      first = int(k);
      tree_node *inner = tree_find_call(arg);
      bool overlaps = cg_args_overlap(inner->callee, n->callee, arg->call_site & 0xffff);
      // An argument passed in a register is loaded last, after the other
      // arguments' stores have used the register; its call cannot go first.
      bool in_register = arg->op == OP_ASSIGN && arg->left && arg->left->op == OP_REG && vec_size(args) > 1;
      if (!overlaps && !in_register) continue;
    }
    tree_node *hoisted = hoist_out_of(arg, list);
    if (hoisted != arg) vec_set(args, hoisted, k);
  }
  // The first argument with a call is bound first, before any other argument
  // is stored.
  if (first > 0) {
    tree_node *arg = static_cast<tree_node *>(vec_get(args, uint32_t(first)));
    if (contains_call(arg)) {
      vec_remove_at(args, uint32_t(first));
      vec_insert(args, arg, 0);
      rewrite_again = true;
    }
  }
  if (contains_call(n->left)) n->left = hoist_out_of(n->left, list);
  return n;
}

struct effects_ctx {
  vec *list;
};

tree_node *mark_effects(void *ctx, tree_node *n, int a, int b, int) {
  bool operand_effects = false;
  if (op_has_operands(n->op) && n->left && (n->left->flags & TF_EFFECTS)) operand_effects = true;
  if (op_is_binary(n->op) && n->right && (n->right->flags & TF_EFFECTS)) operand_effects = true;
  if (!a && !b && !operand_effects && (n->op == OP_POSTINC || n->op == OP_POSTDEC) && local_is_step_one(n)) {
    vec *list = static_cast<effects_ctx *>(ctx)->list;
    tree_node *value = tree_copy(n->left);
    n->op = n->op == OP_POSTINC ? OP_ASADD : OP_ASSUB;
    nodeRewrite(n, list);
    return value;
  }
  if (tree_is_volatile(n) || operand_effects || (op_dope(n->op) & (D_NON_VALUE | D_SIDE_EFFECT)))
    n->flags |= TF_EFFECTS;
  else
    n->flags &= ~TF_EFFECTS;
  return n;
}

struct increments_ctx {
  vec *list;
};

// A post-step made before the statement: its old value goes to a
// temporary, which the statement reads instead.
tree_node *step_before(tree_node *n, vec *list) {
  symbol *t = sym_new_temp(n->left);
  nodeRewrite(tree_build(OP_ASSIGN, tree_ident(t), tree_copy(n->left)), list);
  n->op = n->op == OP_POSTINC ? OP_ASADD : OP_ASSUB;
  nodeRewrite(n, list);
  return tree_ident(t);
}

// A post-increment or post-decrement by one in a call's arguments: C
// finishes it before the call starts, so its old value goes to a temporary
// and the step is made, both before the statement.
tree_node *increment_before_call(void *ctx, tree_node *n, int a, int b, int) {
  if (a || b || (n->op != OP_POSTINC && n->op != OP_POSTDEC) || !local_is_step_one(n)) return n;
  return step_before(n, static_cast<increments_ctx *>(ctx)->list);
}

// A floating post-step of an object reached through an address, whose old
// value the statement reads: no rule gives the old value and steps it, so
// the old value goes to a temporary and the step, a call, is made before
// the statement, alike in every pass (the call's arguments then size the
// routine's pointer parameter). An address with effects of its own (a
// call that scales the index) is worked out once, into a temporary.
tree_node *float_step_before(void *ctx, tree_node *n, int a, int b, int c) {
  if (a || b || !c || (n->op != OP_POSTINC && n->op != OP_POSTDEC) || tree_arith(n) != ARITH_FLOAT) return n;
  if (!n->left || n->left->op == OP_ID) return n;
  vec *list = static_cast<increments_ctx *>(ctx)->list;
  if (tree_has_side_effect(n->left)) {
    tree_node *object = n->left;
    if (object->op != OP_DEREF || !object->left) return n;
    symbol *address = sym_new_temp(object->left);
    nodeRewrite(tree_build(OP_ASSIGN, tree_ident(address), object->left), list);
    object->left = tree_ident(address);
  }
  return step_before(n, list);
}

tree_node *increments_of_call(void *ctx, tree_node *n, int a, int b, int) {
  if (n->op != OP_CALL) return n;
  if (n->right && n->right->op == OP_CALLARGS) {
    vec *args = n->right->args;
    // The list runs in reverse source order.
    for (uint32_t k = vec_size(args); k-- > 0;) {
      tree_node *arg = static_cast<tree_node *>(vec_get(args, k));
      vec_set(args, tree_walk(WALK_POST_RIGHT_FIRST, ctx, arg, increment_before_call, a, b, 1), k);
    }
  }
  n->left = tree_walk(WALK_POST_RIGHT_FIRST, ctx, n->left, increment_before_call, a, b, 1);
  return n;
}

// A statement that is left without any effect.
bool does_nothing(const tree_node *s) {
  return s->op == OP_EMPTY || (op_is_leaf(s->op) && s->op != OP_ASM && !tree_is_volatile(s));
}

void append(tree_node *s, vec *list) {
  lower_ctx lower{list};
  s = tree_walk(WALK_PRE_RIGHT_FIRST, &lower, s, lower_branches, 0, 0, 0);
  for (int round = 0;; round++) {
    if (round == REWRITE_ROUNDS) {
      // A statement that does not settle is reported and taken as it is.
      msg_print("Looping around nodeRewrite\n");
      break;
    }
    rewrite_again = false;
    s = tree_simplify(s);
    s = cgen_split_tree(s);
    hoist_ctx hoist{list};
    s = tree_walk(WALK_PRE, &hoist, s, hoist_sequences, 0, 0, 0);
    s = tree_walk(WALK_POST_RIGHT_FIRST, &hoist, s, hoist_calls, 0, 0, 0);
    if (!rewrite_again) break;
  }
  increments_ctx increments{list};
  s = tree_walk(WALK_PRE, &increments, s, increments_of_call, 0, 0, 0);
  s = tree_walk(WALK_POST_RIGHT_FIRST, &increments, s, float_step_before, 0, 0, 0);
  // A value returned through the parameter area lies over the parameters: a
  // step made after the store would change the value, so it is made before,
  // the value reading a copy.
  if (s->op == OP_ASSIGN && stores_parameter_area(s->left))
    s->right = tree_walk(WALK_POST_RIGHT_FIRST, &increments, s->right, increment_before_call, 0, 0, 1);
  char *comment = tree_take_pending_comment();
  if (does_nothing(s)) {
    tree_free(s);
    tree_set_pending_comment(comment);
    return;
  }
  uint32_t position = vec_size(list);
  vec_push(list, s);
  effects_ctx effects{list};
  s = tree_walk(WALK_POST_RIGHT_FIRST, &effects, s, mark_effects, 0, 0, 0);
  vec_set(list, s, position);
  if (comment) {
    xfree(s->comment);
    s->comment = comment;
  }
}

// The statements of a sequence or an effect-free operation: its operands.
bool rewrite_operands(tree_node *n, vec *list) {
  tree_node *left, *right;
  take_operands(n, &left, &right);
  if (left) nodeRewrite(left, list);
  if (right) nodeRewrite(right, list);
  return true;
}

// An address whose value nothing takes: only what computes it runs. The
// object it names is not read, even when volatile.
bool rewrite_address_of(tree_node *n, vec *list) {
  tree_node *object = n->left;
  n->left = nullptr;
  tree_node_free(n);
  while (object->op == OP_DOT) {
    tree_node *inner = object->left;
    object->left = nullptr;
    tree_free(object);
    object = inner;
  }
  if (object->op == OP_DEREF) {
    tree_node *address = object->left;
    object->left = nullptr;
    tree_node_free(object);
    if (address) nodeRewrite(address, list);
    return true;
  }
  if (op_is_leaf(object->op)) {
    tree_node_free(object);
    return true;
  }
  return nodeRewrite(object, list);
}

void rewrite_jump(tree_node *n, vec *list) {
  while (n->left->op == OP_SEQ) {
    tree_node *seq = n->left;
    n->left = seq->right;
    tree_node *effect = seq->left;
    free_shell(seq);
    nodeRewrite(effect, list);
  }
  tree_node *cond = n->left;
  if ((cond->op == OP_NE || cond->op == OP_EQ) && cond->left->op == OP_ASSIGN && is_const(cond->left->right) &&
      tree_is_zero(cond->right)) {
    msg_once(758);
    bool taken = (cond->left->right->value != 0) == (cond->op == OP_NE);
    tree_node *assignment = cond->left;
    cond->left = nullptr;
    tree_free(cond);
    n->left = nullptr;
    nodeRewrite(assignment, list);
    tree_node *target = n->right;
    free_shell(n);
    if (taken)
      nodeRewrite(jump(target), list);
    else
      tree_free(target);
    return;
  }
  if (cond->op == OP_LAND) {
    tree_node *l = label(LABEL_JUMP_AND);
    tree_node *target = n->right;
    free_shell(n);
    tree_node *b = cond->right;
    cond->right = nullptr;
    nodeRewrite(jump_if_false(cond, label_copy(l)), list);
    nodeRewrite(jump_if(b, target), list);
    nodeRewrite(define(l), list);
    return;
  }
  if (cond->op == OP_LOR) {
    tree_node *target = n->right;
    free_shell(n);
    tree_node *a, *b;
    take_operands(cond, &a, &b);
    nodeRewrite(jump_if(a, label_copy(target)), list);
    nodeRewrite(jump_if(b, target), list);
    return;
  }
  append(n, list);
}

}  // namespace

uint16_t label_new() {
  if (symbol *f = sym_current_function()) {
    auto found = label_books().find(f);
    if (found != label_books().end()) return book_label(found->second);
  }
  return ++label_counter;
}

void label_restart(const symbol *f) { label_books()[f].taken = 0; }

uint16_t label_last() { return label_counter; }

void label_set_last(uint16_t last) { label_counter = last; }

tree_node *jump_if_false(tree_node *owner, tree_node *l) {
  tree_node *condition = owner->left;
  owner->left = nullptr;
  tree_free(owner);
  return false_jump(condition, l);
}

bool nodeRewrite(tree_node *tree, vec *list) {
  if (!tree) return false;
  if (!tree_pending_comment() && tree->comment) {
    tree_set_pending_comment(tree->comment);
  } else {
    xfree(tree->comment);
  }
  tree->comment = nullptr;
  switch (tree->op) {
    case OP_CJUMP:
      rewrite_jump(tree, list);
      return false;
    case OP_LAND:
    case OP_LOR: {
      bool is_and = tree->op == OP_LAND;
      tree_node *l = label(is_and ? LABEL_STATEMENT_AND : LABEL_STATEMENT_OR);
      tree_node *b = tree->right;
      tree->right = nullptr;
      if (is_and) {
        nodeRewrite(jump_if_false(tree, label_copy(l)), list);
      } else {
        tree_node *a = tree->left;
        free_shell(tree);
        nodeRewrite(jump_if(a, label_copy(l)), list);
      }
      nodeRewrite(b, list);
      append(define(l), list);
      return false;
    }
    case OP_QUEST: {
      tree_node *l1 = label(LABEL_STATEMENT_CHOICE), *l2 = label(LABEL_STATEMENT_CHOICE);
      tree_node *alternatives = tree->right;
      tree->right = nullptr;
      nodeRewrite(jump_if_false(tree, label_copy(l1)), list);
      tree_node *a, *b;
      take_operands(alternatives, &a, &b);
      a->partner = b->partner = nullptr;
      if (a->op == OP_CONV) {
        tree_node *inner = a->left;
        tree_free(a->right);
        free_shell(a);
        a = inner;
      }
      nodeRewrite(a, list);
      nodeRewrite(jump(label_copy(l2)), list);
      nodeRewrite(define(l1), list);
      nodeRewrite(b, list);
      append(define(l2), list);
      return false;
    }
    case OP_POSTINC:
      tree->op = OP_ASADD;
      break;
    case OP_POSTDEC:
      tree->op = OP_ASSUB;
      break;
    case OP_COMMA:
    case OP_SEQ:
      return rewrite_operands(tree, list);
    case OP_ADDR:
      return rewrite_address_of(tree, list);
  }
  if (tree_is_volatile(tree)) {
    append(tree, list);
    return false;
  }
  uint32_t d = op_dope(tree->op);
  if (!(d & (D_NON_VALUE | D_SIDE_EFFECT)) && op_arity(tree->op) != D_RECORD) {
    if (op_is_leaf(tree->op)) {
      tree_node_free(tree);
      return true;
    }
    return rewrite_operands(tree, list);
  }
  append(tree, list);
  return false;
}
