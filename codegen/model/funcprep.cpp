#include "codegen/model/funcprep.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <vector>

#include "codegen/model/callgraph.h"
#include "codegen/model/fold.h"
#include "codegen/model/iset.h"
#include "codegen/model/ops.h"
#include "codegen/model/optim.h"
#include "codegen/model/ptrtargets.h"
#include "codegen/model/regs.h"
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

// A stored statement simplified before it is broken into statements, which
// code selection needs: only here may it become a sequence.
tree_node *simplify_statement(tree_node *t) {
  t = tree_simplify(tree_simplify(t));
  tree_node *split = fold_split_statement(t);
  return split && split->op == OP_SEQ ? tree_simplify(split) : split;
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

// An element of an array of pointers keeps the stride the front end laid
// out (three bytes), though what it holds may be a narrower pointer: it is
// read and written as a three-byte integer whose low bytes are the pointer.
bool has_wide_element_type(const tree_node *n) {
  const ctype *t = type_unqual(n->type);
  return t && t->kind == TY_POINTER && (t->ptr_flags & PTRF_LAID_OUT) && !type_is_function(t->sub) &&
         t->size == 3 && emit_pointer_size(n->targets) < 3;
}

bool is_wide_element(const tree_node *n) {
  return (n->op == OP_DEREF || n->op == OP_ID) && has_wide_element_type(n);
}

ctype *narrow_pointer_like(const tree_node *n) {
  ctype *t = type_derive(type_unqual(n->type)->sub, TY_POINTER);
  t->size = emit_pointer_size(n->targets);
  t->ptr_flags &= uint8_t(~PTRF_NEW);
  return t;
}

tree_node *as_element_bytes(tree_node *n) {
  n->type = type_basic("utx");
  return n;
}

// The pointer read from an element reaches what the element's contents do:
// it keeps the element's targets and their level of indirection.
tree_node *converted(tree_node *e, ctype *to, const tree_node *element) {
  tree_node *c = tree_make(OP_CONV, e, tree_type_node(to), to);
  if (element) {
    c->targets = element->targets;
    c->indir = element->indir;
  }
  return c;
}

bool is_store(uint32_t op);
bool plain_address(const tree_node *target);

// An element's value as narrowing leaves it, or arithmetic on one.
bool is_narrowed_element(const tree_node *n) {
  if (!n) return false;
  if (n->op == OP_CONV) return n->left && n->left->type == type_basic("utx") && tree_is_pointer(n);
  return (n->op == OP_ADD || n->op == OP_SUB) && tree_is_pointer(n) && is_narrowed_element(n->left);
}

// An element stepped in place is read, stepped and stored as a whole: the
// step works on the narrower pointer. A pointer to const only where the
// value is not used: the stored value would not say it may reach program
// memory.
void spell_out_element_step(tree_node *n, bool value_used) {
  uint32_t plain = op_plain_form(n->op);
  if (!is_store(n->op) || (plain != OP_ADD && plain != OP_SUB) || !is_wide_element(n->left) ||
      !plain_address(n->left))
    return;
  if (value_used && (type_qualifiers(type_unqual(n->left->type)->sub) & Q_CONST)) return;
  n->right = tree_make(plain, tree_copy(n->left), n->right, n->left->type);
  n->op = OP_ASSIGN;
}

tree_node *narrow_elements(tree_node *n, bool stored) {
  if (!n) return n;
  spell_out_element_step(n, true);
  bool address = n->op == OP_ADDR;
  if (op_has_operands(n->op)) n->left = narrow_elements(n->left, address || (op_dope(n->op) & D_SIDE_EFFECT));
  if (op_is_binary(n->op)) n->right = narrow_elements(n->right, false);
  for (uint32_t k = 0; k < vec_size(n->args); k++)
    vec_set(n->args, narrow_elements(static_cast<tree_node *>(vec_get(n->args, k)), false), k);
  if (n->op == OP_ASSIGN && n->left && is_wide_element(n->left)) {
    ctype *pointer = narrow_pointer_like(n->left);
    n->right = converted(n->right, as_element_bytes(n->left)->type, nullptr);
    n->type = n->left->type;
    return converted(n, pointer, n->left);
  }
  // Arithmetic on an element's value has the element's type: it works on
  // the narrower pointer its operand now is.
  if (n->op != OP_ID && n->op != OP_DEREF && n->op != OP_ASSIGN && has_wide_element_type(n) &&
      is_narrowed_element(n->left)) {
    n->type = narrow_pointer_like(n);
    // A count as wide as the element is cut to the pointer's own size.
    if ((n->op == OP_ADD || n->op == OP_SUB) && n->right && !tree_is_pointer(n->right) &&
        tree_arith(n->right) != ARITH_NONE && tree_size(n->right) > tree_size(n))
      n->right = converted(n->right, type_for_size(tree_size(n), tree_arith(n->right)), nullptr);
    return n;
  }
  if (stored || !is_wide_element(n)) return n;
  ctype *narrow = narrow_pointer_like(n);
  return converted(as_element_bytes(n), narrow, n);
}

// Decomposition: a statement no rule covers has the deepest subtree where
// the search gave up worked out first, into a temporary, as a statement of
// its own; then it is matched again. C orders nothing inside a statement
// but the operators that choose what is evaluated, so a subtree outside
// them may go first. A step takes out one subtree: a condition over a
// chain of compares and stores through pointers takes a dozen.
constexpr uint32_t DECOMPOSE_LIMIT = 32;

struct place {
  tree_node *parent;
  int which;  // -1 left, -2 right, else the argument's index
};

tree_node *node_at(const place &p) {
  if (p.which == -1) return p.parent->left;
  if (p.which == -2) return p.parent->right;
  return static_cast<tree_node *>(vec_get(p.parent->args, uint32_t(p.which)));
}

void set_at(const place &p, tree_node *n) {
  if (p.which == -1) p.parent->left = n;
  else if (p.which == -2) p.parent->right = n;
  else vec_set(p.parent->args, n, uint32_t(p.which));
}

// The places from the root's operands down to `target`.
bool path_to(tree_node *n, const tree_node *target, std::vector<place> &path) {
  if (n == target) return true;
  auto down = [&](const place &p) {
    path.push_back(p);
    if (node_at(p) && path_to(node_at(p), target, path)) return true;
    path.pop_back();
    return false;
  };
  if (op_has_operands(n->op) && n->left && down({n, -1})) return true;
  if (op_is_binary(n->op) && n->right && down({n, -2})) return true;
  for (uint32_t k = 0; k < vec_size(n->args); k++)
    if (down({n, int(k)})) return true;
  return false;
}

bool chooses_evaluation(uint32_t op) {
  return op == OP_QUEST || op == OP_COLON || op == OP_LAND || op == OP_LOR;
}

bool is_store(uint32_t op) {
  return (op_dope(op) & D_SIDE_EFFECT) && op != OP_CALL && op != OP_CALLARGS && op != OP_CALLZAP;
}

// Whether the node at path[i] is a value that may be worked out first.
bool may_go_first(const std::vector<place> &path, size_t i) {
  const place &p = path[i];
  tree_node *n = node_at(p);
  uint32_t op = n->op;
  // A pointer read from program memory and followed there: both reads
  // need the table pointer, so the pointer goes to a temporary first.
  bool rom_pointer = op == OP_ID && n->sym && n->sym->object_list == OBJ_CONST && p.parent->op == OP_DEREF &&
                     tree_is_pointer(n);
  if ((op_is_leaf(op) && !rom_pointer) || op == OP_CALLARGS || op == OP_TYPE || op == OP_COLON || op == OP_SEQ)
    return false;
  // A leaf converted is that leaf in a wider temporary: the operation over
  // it would lose its own code (a byte product becomes a word routine's).
  if (op == OP_CONV && n->left && op_is_leaf(n->left->op) && tree_size(n) > tree_size(n->left)) return false;
  if ((op_dope(op) & D_TRUTH) || ((op_dope(op) & D_NON_VALUE) && op != OP_CALL)) return false;
  uint32_t size = tree_size(n);
  ctype *t = type_unqual(n->type);
  // A bit has no size, and no temporary can hold one; a store into a bit
  // object goes first all the same, its value then read from the object,
  // or, from a volatile one, kept in a byte (take_out_compound).
  bool bit_store = tree_arith(n) == ARITH_BIT && is_store(op) && n->left && n->left->op == OP_ID &&
                   (!tree_is_volatile(n->left) || op != OP_ASSIGN);
  if (!bit_store && (!size || !t || t->kind == TY_ARRAY || t->kind == TY_FUNCTION || tree_arith(n) == ARITH_NONE)) {
    if (!(t && t->kind == TY_STRUCT)) return false;
  }
  for (size_t k = 0; k < i; k++)
    if (chooses_evaluation(node_at(path[k])->op)) return false;
  // The right of a comma comes after its left: what the left does (a call
  // that stores to the same object) must not follow it.
  for (size_t k = 0; k <= i; k++) {
    const tree_node *up = path[k].parent;
    if ((up->op == OP_COMMA || up->op == OP_SEQ) && path[k].which == -2 && tree_has_side_effect(up->left))
      return false;
  }
  // A call through an expression of no symbol has its arguments bound to a
  // stand-in: the called expression stays whole.
  for (size_t k = 0; k <= i; k++) {
    const tree_node *call = path[k].parent;
    if (call->op == OP_CALL && path[k].which == -1 && call->callee && (call->callee->flags & SYM_COMPILER_MADE))
      return false;
  }
  if (chooses_evaluation(p.parent->op) || p.parent->op == OP_CALLARGS) return false;
  // Where an argument is stored (its slot of the parameter area) stays
  // with the store.
  for (size_t k = 0; k + 1 <= i; k++)
    if (path[k].parent->op == OP_CALLARGS && path[k + 1].which == -1) return false;
  // An object stored to, or whose address is taken, stays where it is.
  for (size_t k = i + 1; k-- > 0;) {
    const place &at = path[k];
    uint32_t up = at.parent->op;
    if (at.which != -1) return true;
    if (up == OP_ADDR || up == OP_CALL || is_store(up)) return false;
    if (up != OP_DOT && up != OP_BITFIELD) return true;
  }
  return true;
}

tree_node *temporary_for(tree_node *value, vec *before) {
  // An element of a pointer array keeps its stride's bytes: the temporary
  // holds the narrower pointer that its low bytes are.
  if (is_wide_element(value)) {
    ctype *narrow = narrow_pointer_like(value);
    value = converted(as_element_bytes(value), narrow, value);
  }
  symbol *t = sym_new_temp(value);
  vec_push(before, tree_make(OP_ASSIGN, tree_ident(t), value, value->type));
  return tree_ident(t);
}

bool same_arithmetic(const tree_node *a, const tree_node *b) {
  return tree_size(a) == tree_size(b) && tree_arith(a) == tree_arith(b);
}

// Whether where the object is may be worked out twice.
bool plain_address(const tree_node *target) {
  return target->op == OP_DEREF ? !tree_has_side_effect(target->left) : target->op == OP_ID;
}

// Whether x op= y is x = x op y worked out in x's own type: right where
// the operand has that type or only counts a shift, or x is a pointer
// stepped by an integer (its count already scaled).
bool spelled_out_exactly(const tree_node *n) {
  uint32_t plain = op_plain_form(n->op);
  bool shift = plain == OP_SHL || plain == OP_SHR;
  bool step = (plain == OP_ADD || plain == OP_SUB) && tree_is_pointer(n->left) && !tree_is_pointer(n->right) &&
              (tree_arith(n->right) == ARITH_SIGNED || tree_arith(n->right) == ARITH_UNSIGNED);
  return plain != OP_NONE && tree_arith(n->left) != ARITH_NONE && (shift || step || same_arithmetic(n->left, n->right));
}

// A compound assignment no rule does in place (a shift through a pointer):
// the object is read, worked out and stored, each once. Only operations
// done in line: one that calls a routine would call another than the one
// the libraries were asked for.
bool spell_out(tree_node *t) {
  if (!is_store(t->op) || t->op == OP_ASSIGN || !plain_address(t->left) || !spelled_out_exactly(t)) return false;
  static const uint32_t in_line[] = {OP_ADD, OP_SUB, OP_AND, OP_OR, OP_XOR, OP_SHL, OP_SHR};
  uint32_t plain = op_plain_form(t->op);
  if (tree_arith(t->left) == ARITH_FLOAT || std::find(std::begin(in_line), std::end(in_line), plain) == std::end(in_line))
    return false;
  t->right = tree_make(op_plain_form(t->op), tree_copy(t->left), t->right, t->left->type);
  t->op = OP_ASSIGN;
  return true;
}

// A compound assignment whose value is used, through a pointer or into a
// volatile object: it becomes a statement of its own, and its value is
// the target read again, or, where a read would be one access too many,
// the new value kept in a temporary and stored back.
bool take_out_compound(const place &p, vec *before) {
  tree_node *n = node_at(p);
  tree_node *target = n->left;
  // An address read from a volatile pointer is read once, into a
  // temporary, and the object reached through that.
  if (target->op == OP_DEREF && target->left && tree_is_volatile(target->left) &&
      !tree_has_side_effect(target->left->op == OP_DEREF ? target->left->left : nullptr)) {
    symbol *address = sym_new_temp(target->left);
    address->type = type_unqual(address->type);
    vec_push(before, tree_make(OP_ASSIGN, tree_ident(address), target->left, address->type));
    target->left = tree_ident(address);
  }
  if (!plain_address(target)) return false;
  if (!tree_is_volatile(target)) {
    vec_push(before, n);
    set_at(p, tree_copy(target));
    return true;
  }
  if (!spelled_out_exactly(n)) return false;
  if (tree_arith(target) == ARITH_BIT) {
    // No temporary is a bit: the object is read into a byte, once, and the
    // new value worked out there.
    ctype *u8 = type_uchar();
    tree_node *byte = temporary_for(converted(tree_copy(target), u8, nullptr), before);
    vec_push(before, tree_make(n->op, tree_copy(byte), converted(n->right, u8, nullptr), u8));
    vec_push(before, tree_make(OP_ASSIGN, target, converted(tree_copy(byte), target->type, nullptr), target->type));
    n->left = n->right = nullptr;
    tree_free(n);
    set_at(p, converted(byte, target->type, nullptr));
    return true;
  }
  tree_node *value = temporary_for(tree_make(op_plain_form(n->op), tree_copy(target), n->right, target->type), before);
  vec_push(before, tree_make(OP_ASSIGN, target, tree_copy(value), target->type));
  n->left = n->right = nullptr;
  tree_free(n);
  set_at(p, value);
  return true;
}

// Takes the node at `p` out into statements of `before`; false when it
// cannot be.
bool take_out(const place &p, vec *before) {
  tree_node *n = node_at(p);
  if (n->op == OP_POSTINC || n->op == OP_POSTDEC) {
    tree_node *target = n->left;
    // A volatile object is read once, into the old value, and the step
    // stored from that.
    if (tree_is_volatile(target) && plain_address(target)) {
      tree_node *old = temporary_for(tree_copy(target), before);
      uint32_t step = n->op == OP_POSTINC ? OP_ADD : OP_SUB;
      tree_node *stepped = tree_make(step, tree_copy(old), n->right, target->type);
      vec_push(before, tree_make(OP_ASSIGN, target, stepped, target->type));
      n->left = n->right = nullptr;
      tree_free(n);
      set_at(p, old);
      return true;
    }
    if (tree_has_side_effect(target)) return false;
    tree_node *old = temporary_for(tree_copy(n->left), before);
    // As a statement of its own the step is an assignment operator.
    n->op = n->op == OP_POSTINC ? OP_ASADD : OP_ASSUB;
    vec_push(before, n);
    set_at(p, old);
    return true;
  }
  if (is_store(n->op)) {
    tree_node *target = n->left;
    bool plain_object = target->op == OP_ID && !tree_is_volatile(target);
    if (plain_object) {
      vec_push(before, n);
      set_at(p, tree_copy(target));
      return true;
    }
    if (n->op != OP_ASSIGN) return take_out_compound(p, before);
    // The stored value, kept in a temporary: the target is not read again.
    tree_node *value = temporary_for(n->right, before);
    n->right = value;
    vec_push(before, n);
    set_at(p, tree_copy(value));
    return true;
  }
  set_at(p, temporary_for(n, before));
  return true;
}

// Where the node that failed cannot go first (a step compared in a
// condition: the comparison's constant failed), an assignment inside the
// statement that may go first is taken out instead.
bool take_out_inner_store(tree_node *t, vec *before) {
  std::vector<tree_node *> stores;
  tree_find(t, &stores, [](tree_node *n, void *found) {
    if (is_store(n->op)) static_cast<std::vector<tree_node *> *>(found)->push_back(n);
    return false;
  });
  for (tree_node *store : stores) {
    std::vector<place> path;
    if (store == t || !path_to(t, store, path)) continue;
    if (may_go_first(path, path.size() - 1) && take_out(path.back(), before)) return true;
  }
  return false;
}

// A search that ran out of candidates over a statement with a call inside
// (a float converted for a byte of a longer expression): the innermost such
// call goes first, its value then read from a temporary.
bool take_out_inner_call(tree_node *t, vec *before) {
  std::vector<tree_node *> calls;
  tree_find(t, &calls, [](tree_node *n, void *found) {
    if (n->op == OP_CALL) static_cast<std::vector<tree_node *> *>(found)->push_back(n);
    return false;
  });
  for (size_t k = calls.size(); k-- > 0;) {
    tree_node *call = calls[k];
    std::vector<place> path;
    if (call == t || !path_to(t, call, path)) continue;
    // A call whose value a statement only stores is a statement of its own.
    if (path.size() == 1 && is_store(t->op)) continue;
    if (may_go_first(path, path.size() - 1) && take_out(path.back(), before)) return true;
  }
  return false;
}

// The registers a statement may use while it is decomposed: every one,
// unless the fit of a function's code has fewer left free.
const regset *fit_regs = nullptr;

bool covered(tree_node *t) {
  iset_clear(rset_busy());
  return cgen_match_tree(t, GOAL_STATEMENT, const_cast<regset *>(fit_regs ? fit_regs : rset_of(REG_ALLREG)));
}

// An operand narrower than the arithmetic over it (folding may leave i + j
// of int over two bytes): it is converted to the operation's type, as C
// would have promoted it.
bool widen_operand(const place &p) {
  static const uint32_t arithmetic[] = {OP_ADD, OP_SUB, OP_MUL, OP_DIV, OP_MOD, OP_AND, OP_OR, OP_XOR, OP_SHL, OP_SHR};
  tree_node *n = node_at(p), *up = p.parent;
  if (std::find(std::begin(arithmetic), std::end(arithmetic), up->op) == std::end(arithmetic)) return false;
  if ((up->op == OP_SHL || up->op == OP_SHR) && p.which != -1) return false;
  auto integer = [](const tree_node *x) {
    return !tree_is_pointer(x) && (tree_arith(x) == ARITH_SIGNED || tree_arith(x) == ARITH_UNSIGNED);
  };
  if (!integer(n) || !integer(up) || tree_size(n) >= tree_size(up)) return false;
  set_at(p, converted(n, up->type, nullptr));
  return true;
}

// A volatile object read for its effect alone where no rule reads it that
// way (a structure, program memory, through a pointer): it is read into a
// temporary, each byte once. The temporary is volatile, so that the store
// nothing reads back is kept.
bool read_into_temporary(tree_node **t) {
  tree_node *n = *t;
  if ((n->op != OP_ID && n->op != OP_DEREF) || !tree_is_volatile(n) || !tree_size(n)) return false;
  ctype *type = type_unqual(n->type);
  bool value = type && type->kind != TY_ARRAY && type->kind != TY_FUNCTION && tree_arith(n) != ARITH_NONE &&
               tree_arith(n) != ARITH_BIT;
  if (!value && !(type && type->kind == TY_STRUCT)) return false;
  symbol *temp = sym_new_temp(n);
  temp->type = type_qualify(type, Q_VOLATILE);
  *t = tree_make(OP_ASSIGN, tree_ident(temp), n, temp->type);
  return true;
}

// A number under a logical not (what turning !(a && b) over leaves when
// a or b is no truth value) becomes a compare with zero, as the rules test
// numbers; whether any did.
bool compare_numbers_under_not(tree_node *t) {
  bool changed = false;
  tree_find(t, &changed, [](tree_node *n, void *any) {
    tree_node *x = n->op == OP_NOT ? n->left : nullptr;
    if (!x || (op_dope(x->op) & D_TRUTH) || !tree_size(x) || tree_arith(x) == ARITH_NONE ||
        tree_arith(x) == ARITH_BIT)
      return false;
    n->op = OP_EQ;
    n->right = tree_const(0);
    n->right->type = type_unqual(x->type);
    n->type = type_bit();
    tree_set_height(n);
    *static_cast<bool *>(any) = true;
    return false;
  });
  return changed;
}

// A logical operator below the top whose operands are truth values and
// whose right operand does nothing, its value used.
bool is_folded_logical(const tree_node *n) {
  return (n->op == OP_LAND || n->op == OP_LOR) && n->left && n->right && (op_dope(n->left->op) & D_TRUTH) &&
         (op_dope(n->right->op) & D_TRUTH) && !tree_has_side_effect(n->right) && tree_size(n);
}

// Such an operator back as the & or | it was folded from: both operands
// may be worked out.
void unfold_logical(tree_node *n) {
  n->op = n->op == OP_LAND ? OP_AND : OP_OR;
  n->left = converted(n->left, n->type, nullptr);
  n->right = converted(n->right, n->type, nullptr);
}

// `failures` counts the searches that failed for one statement: each may
// have run to the selector's budget.
void decompose(tree_node *t, vec *out, uint32_t *failures) {
  while (*failures < DECOMPOSE_LIMIT) {
    if (!t || t->op == OP_ASM || covered(t)) break;
    ++*failures;
    if (read_into_temporary(&t) || compare_numbers_under_not(t)) continue;
    // A jump on a logical operator the simplifier folded out of a truth
    // value once an operand went first: no rule takes it whole, its jumps do.
    if (t->op == OP_CJUMP && t->left && (t->left->op == OP_LAND || t->left->op == OP_LOR)) {
      vec *jumps = vec_new_default();
      nodeRewrite(t, jumps);
      for (uint32_t k = 0; k < vec_size(jumps); k++)
        decompose(cgen_split_tree(static_cast<tree_node *>(vec_get(jumps, k))), out, failures);
      vec_free(jumps);
      return;
    }
    // A sequence folding left at the top (what a constant operand of a
    // logical operator reads first): its left is a statement before it.
    if ((t->op == OP_SEQ || t->op == OP_COMMA) && t->left && t->right) {
      tree_node *first = t->left;
      tree_node *rest = t->right;
      t->left = t->right = nullptr;
      tree_node_free(t);
      if (tree_has_side_effect(first)) decompose(cgen_split_tree(first), out, failures);
      else tree_free(first);
      t = cgen_split_tree(rest);
      continue;
    }
    // A search that ran out of candidates names no particular node: an
    // assignment or a call inside the statement may still go first.
    if (cgen_search_exhausted()) {
      vec *before = vec_new_default();
      bool taken = take_out_inner_store(t, before) || take_out_inner_call(t, before);
      for (uint32_t k = 0; k < vec_size(before); k++)
        decompose(cgen_split_tree(static_cast<tree_node *>(vec_get(before, k))), out, failures);
      vec_free(before);
      if (taken) continue;
      // Else the deepest node where the search gave up goes first, as
      // after any other failure.
    }
    const tree_node *failed = cgen_failed_node();
    std::vector<place> path;
    if (!failed || !path_to(t, failed, path)) break;
    // A logical operator folded from & or | of two truth values, its value
    // used: with a right operand that does nothing, both may be worked out.
    if (!path.empty() && is_folded_logical(failed)) {
      unfold_logical(node_at(path.back()));
      continue;
    }
    // A store below the failed node (a conversion or a compare of an
    // assignment's value) goes first as a statement of its own, the node
    // then reading its target.
    tree_node *store = tree_find(const_cast<tree_node *>(failed), nullptr, [](tree_node *n, void *) {
      return is_store(n->op);
    });
    if (store && store != failed) path_to(const_cast<tree_node *>(failed), store, path);
    vec *before = vec_new_default();
    bool taken = !path.empty() && op_is_leaf(failed->op) && widen_operand(path.back());
    // An assignment inside a call's arguments goes first: what fails
    // beside it is often only short of the registers it holds.
    if (!taken && tree_find(t, nullptr, [](tree_node *n, void *) { return n->op == OP_CALLARGS; }))
      taken = take_out_inner_store(t, before);
    // A value a temporary takes as it stands would only move into another
    // temporary: its operands, or an assignment inside it, go first.
    bool into_temporary = t->op == OP_ASSIGN && t->left->op == OP_ID && t->left->sym &&
                          (t->left->sym->flags & SYM_COMPILER_MADE);
    bool stored_whole = into_temporary && t->right == failed;
    if (stored_whole) {
      for (int which : {-1, -2}) {
        tree_node *at = t->right;
        if (taken || !(which == -1 ? op_has_operands(at->op) : op_is_binary(at->op)) || !node_at({at, which})) continue;
        path.push_back({at, which});
        if (may_go_first(path, path.size() - 1)) taken = take_out(path.back(), before);
        path.pop_back();
      }
    }
    for (size_t i = path.size(); i-- > 0 && !taken;)
      if (!(into_temporary && node_at(path[i]) == t->right) && may_go_first(path, i)) taken = take_out(path[i], before);
    if (!taken) taken = take_out_inner_store(t, before);
    if (!taken) taken = spell_out(t);
    // Last, such an operator elsewhere in the statement: the search may give
    // up before it (on an argument before the one it is in).
    if (!taken) {
      tree_node *logical = tree_find(t, t, [](tree_node *n, void *top) { return n != top && is_folded_logical(n); });
      if (logical) unfold_logical(logical);
      taken = logical != nullptr;
    }
    // A step taken out becomes an assignment operator, which on a float
    // is a call of a routine.
    for (uint32_t k = 0; k < vec_size(before); k++)
      decompose(cgen_split_tree(static_cast<tree_node *>(vec_get(before, k))), out, failures);
    vec_free(before);
    if (!taken) break;
  }
  if (t) vec_push(out, t);
}

// The routines a step or assignment operator inside a statement calls
// once decomposition takes it out as a statement of its own (a float step
// becomes an assignment operator, a call): the libraries must supply them
// before decomposition runs.
void mark_taken_out(tree_node *t) {
  for (uint32_t round = 0; t && round < DECOMPOSE_LIMIT; round++) {
    std::vector<tree_node *> inner;
    tree_find(t, &inner, [](tree_node *n, void *found) {
      if (n->op == OP_POSTINC || n->op == OP_POSTDEC || (is_store(n->op) && n->op != OP_ASSIGN))
        static_cast<std::vector<tree_node *> *>(found)->push_back(n);
      return false;
    });
    vec *before = vec_new_default();
    bool taken = false;
    for (size_t k = 0; k < inner.size() && !taken; k++) {
      std::vector<place> path;
      if (inner[k] != t && path_to(t, inner[k], path) && may_go_first(path, path.size() - 1))
        taken = take_out(path.back(), before);
    }
    for (uint32_t k = 0; k < vec_size(before); k++) {
      tree_node *split = cgen_split_tree(static_cast<tree_node *>(vec_get(before, k)));
      mark_referenced(split);
      mark_taken_out(split);
      tree_free(split);
    }
    vec_free(before);
    if (!taken) break;
  }
}

}  // namespace

bool decompose_statement(tree_node *t, vec *out, const regset *allowed) {
  uint32_t failures = 0;
  fit_regs = allowed;
  decompose(t, out, &failures);
  fit_regs = nullptr;
  return !cgen_search_exhausted();
}

tree_node *narrow_pointer_elements(tree_node *t) {
  if (t) spell_out_element_step(t, false);
  t = narrow_elements(t, false);
  // A statement's own value is not used: its store needs no conversion back.
  if (t && t->op == OP_CONV && t->left && t->left->op == OP_ASSIGN && t->left->type == type_basic("utx")) {
    tree_node *store = t->left;
    t->left = nullptr;
    tree_free(t);
    return store;
  }
  return t;
}

void mark_referenced(tree_node *t) {
  tree_find(t, nullptr, [](tree_node *n, void *) {
    if (n->op == OP_ID && n->sym) n->sym->flags2 |= SYM2_REFERENCED;
    return false;
  });
}

void want_rewrite_routines(symbol *f) {
  if (!f || !f->ctx) return;
  // The statements made here are dropped: so are their labels.
  uint16_t last = label_last();
  for (uint32_t k = 0; k < vec_size(f->ctx->stored); k++) {
    tree_node *t = tree_rebuild_stored(item<stored_statement>(f->ctx->stored, k));
    if (!t) continue;
    t = simplify_statement(t);
    if (!t) continue;
    vec *simple = vec_new_default();
    nodeRewrite(t, simple);
    for (uint32_t j = 0; j < vec_size(simple); j++) {
      tree_node *s = tree_simplify(item<tree_node>(simple, j));
      if (!s) continue;
      // What code still names after folding, and the routines it is
      // rewritten into, is what the libraries must supply.
      tree_node *split = cgen_split_tree(narrow_pointer_elements(s));
      mark_referenced(split);
      mark_taken_out(split);
      tree_free(split);
    }
    vec_free(simple);
  }
  label_set_last(last);
}

namespace {

std::set<std::pair<symbol *, uint32_t>> &exhausted_statements() {
  static std::set<std::pair<symbol *, uint32_t>> &statements = *new std::set<std::pair<symbol *, uint32_t>>();
  return statements;
}

void rebuild_statements(symbol *f, bool graph_pass) {
  func_ctx *ctx = f->ctx;
  for (uint32_t k = 0; k < vec_size(ctx->statements); k++) tree_free(item<tree_node>(ctx->statements, k));
  vec_clear(ctx->statements);
  // The temporaries of the statements just dropped: rebuilding makes its
  // own, and the old ones would stay behind as autos nothing uses. Those
  // that hold called pointers are taken again, in the order they were.
  for (uint32_t k = 0; k < vec_size(f->temps); k++) vec_remove(f->autos, vec_get(f->temps, k));
  vec_clear(f->temps);
  for (uint32_t k = 0; k < vec_size(f->held); k++) vec_remove(f->autos, vec_get(f->held, k));
  f->held_made = 0;
  label_restart(f);
  sym_restart_temps(f);
  vec *rebuilt = vec_new_default();
  std::vector<std::pair<uint32_t, uint32_t>> held;  // of each rebuilt statement
  for (uint32_t k = 0; k < vec_size(ctx->stored); k++) {
    uint32_t made = f->held_made;
    tree_node *t = tree_rebuild_stored(item<stored_statement>(ctx->stored, k));
    if (!t) continue;
    t = simplify_statement(t);
    if (t) vec_push(rebuilt, t), held.emplace_back(made, f->held_made);
  }
  bool indirect = f->cg && (f->cg->flags & CG_RETURNS_IN_PARAMS);
  uint32_t ret = return_size(f);
  if (returns_value(f) && (graph_pass || indirect) && ret >= 2 && ret <= 4)
    for (uint32_t k = 0; k < vec_size(rebuilt); k++) {
      // Folding moves what a returned sequence does first out of the
      // return: (v, 3) is returned as v; return 3.
      tree_node *t = item<tree_node>(rebuilt, k);
      std::vector<tree_node *> seqs;
      tree_node **at = &t;
      while (((*at)->op == OP_SEQ || (*at)->op == OP_COMMA) && (*at)->right) seqs.push_back(*at), at = &(*at)->right;
      if ((*at)->op != OP_RETURN || !(*at)->left) continue;
      *at = return_through_area(f, *at);
      for (size_t i = seqs.size(); i-- > 0;) tree_set_height(seqs[i]);
      vec_set(rebuilt, t, k);
    }
  for (uint32_t k = 0; k < vec_size(rebuilt); k++) {
    vec *simple = vec_new_default();
    uint32_t made = vec_size(f->temps);
    nodeRewrite(item<tree_node>(rebuilt, k), simple);
    for (uint32_t j = 0; j < vec_size(simple); j++) {
      tree_node *t = tree_simplify(item<tree_node>(simple, j));
      if (!t) continue;
      tree_node *split = cgen_split_tree(narrow_pointer_elements(t));
      if (!split) {
        msg(vec_size(simple) > 1 ? 760 : 759);
        continue;
      }
      // A statement whose search runs out of candidates is not searched
      // again each time the statements are rebuilt.
      std::pair<symbol *, uint32_t> key{f, k};
      if (exhausted_statements().count(key)) vec_push(ctx->statements, split);
      else if (!decompose_statement(split, ctx->statements)) exhausted_statements().insert(key);
    }
    for (uint32_t j = made; j < vec_size(f->temps); j++) item<symbol>(f->temps, j)->statement = k + 1;
    for (uint32_t j = held[k].first; j < held[k].second; j++) item<symbol>(f->held, j)->statement = k + 1;
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
    // A volatile object only stored to keeps its stores: it is used.
    if (tree_is_volatile(target)) target->sym->use_count++;
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

void prepare_used_functions(vec *list) {
  symbol *saved = sym_current_function();
  uint32_t saved_mask = cg_level_mask();
  vec *one = vec_new_default();
  for (uint32_t k = 0; k < vec_size(list); k++) {
    symbol *f = item<symbol>(list, k);
    if (!f->ctx) continue;
    // A graph pass returns the value through the parameter area whatever
    // the convention: such a function is built again.
    uint32_t ret = return_size(f);
    if (returns_value(f) && ret >= 2 && ret <= 4 && !(f->cg && (f->cg->flags & CG_RETURNS_IN_PARAMS))) {
      vec_clear(one);
      vec_push(one, f);
      prepare_functions(one, false);
      continue;
    }
    sym_set_current_function(f);
    cg_set_level_mask(f->levels_called);
    for (uint32_t s = 0; s < vec_size(f->ctx->statements); s++) count_uses(item<tree_node>(f->ctx->statements, s));
  }
  vec_free(one);
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
