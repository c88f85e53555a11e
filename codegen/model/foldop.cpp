// The folding rules of each operator.
#include <cstring>
#include <initializer_list>
#include <utility>

#include "codegen/model/build.h"
#include "codegen/model/fold.h"
#include "codegen/model/foldsupport.h"
#include "codegen/model/progstate.h"
#include "codegen/model/simplify.h"
#include "codegen/model/symbols.h"
#include "codegen/model/target_services.h"
#include "common/alert.h"
#include "common/vector.h"

namespace {

bool is_bit_typed(const tree_node *t) { return t && type_unqual(t->type) == type_bit(); }

bool is_truth(const tree_node *t) {
  uint32_t d = op_dope(t->op);
  return is_bit_typed(t) || ((d & D_TRUTH) && !(d & D_CONST));
}

// A value as a truth value: itself when it already is one, else x != 0.
tree_node *truth_of(tree_node *t) {
  if (is_truth(t)) return t;
  tree_node *zero = tree_const(0);
  zero->type = type_unqual(t->type);
  return tree_build(OP_NE, t, zero);
}

tree_node *bit_const(int32_t v) {
  tree_node *c = tree_const(v);
  c->type = type_bit();
  c->flags |= TF_MADE_CONST;
  return c;
}

// The rule of `=+` shared by the additive and shift operators.
tree_node *additive_tail(tree_node *n) {
  if (is_const(n->right) && n->right->value == 0 && n->op != OP_ASSIGN) return tree_to_conversion(n);
  if ((n->op == OP_ASADD || n->op == OP_ASSUB) && n->left->op == OP_BITFIELD && n->left->member &&
      n->left->member->bf_width == 1) {
    n->op = OP_ASXOR;
    fold_changed();
  }
  return n;
}

// The common ending of %, =%, &, =&, =*, / and =/.
tree_node *tail(tree_node *n) {
  if (!is_const(n->right)) return n;
  uint32_t m = tree_value_mask(n->left);
  uint32_t c = uint32_t(n->right->value);
  if (c == 0) {
    switch (n->op) {
      case OP_MOD:
      case OP_DIV:
      case OP_ASMOD:
      case OP_ASDIV:
        msg_once(755);
        return n;
      case OP_AND:
        return tree_replace_by_const(n, 0);
      case OP_ASAND:
      case OP_ASMUL:
        n->op = OP_ASSIGN;
        fold_changed();
        return n;
    }
    return n;
  }
  if (n->op == OP_AND || n->op == OP_ASAND) {
    if (m && (c & ~m)) {
      c &= m;
      n->right->value = value_in_type(c, n->right->type);
      fold_changed();
    }
    if (m && c == m && (n->op == OP_ASAND || tree_size(n->left) == tree_size(n))) return keep_left(n);
    if (n->op == OP_AND && !(c & 1) && is_conversion(n->left) && is_bit_typed(n->left->left))
      return tree_replace_by_const(n, 0);
  }
  return n;
}

tree_node *fold_equality(tree_node *n) {
  tree_node *l = n->left, *r = n->right;
  if (l->op == OP_COMPL && is_const(r)) {
    n->left = l->left;
    free_shell(l);
    l = n->left;
    r->value = ~r->value;
    tree_convert_const_to(l->type, r);
    fold_changed();
  }
  if (is_bit_typed(l) && is_const(r)) {
    int32_t c = r->value;
    if (c != 0 && c != 1) {
      simplify_pend(765);
      return tree_replace_by_const(n, n->op == OP_NE);
    }
    if (n->op == OP_NE) c = 1 - c;
    if (c == 1) return keep_left(n);
    tree_free(n->right);
    n->right = nullptr;
    n->op = OP_NOT;
    tree_set_height(n);
    fold_changed();
    return tree_not(n);
  }
  if (l->op == OP_BITFIELD && l->member && l->member->bf_width == 1 && is_const(r)) {
    int32_t c = r->value;
    if (c != 0 && c != 1) {
      msg_once(754);
      return tree_replace_by_const(n, n->op == OP_NE);
    }
    if (c == 1) {
      n->op = n->op == OP_EQ ? OP_NE : OP_EQ;
      r->value = 0;
      fold_changed();
    }
    return n;
  }
  if (is_const(r) && is_single_bit(uint32_t(r->value)) && l->op == OP_AND && is_const(l->right) &&
      l->right->value == r->value) {
    r->value = 0;
    n->op = n->op == OP_EQ ? OP_NE : OP_EQ;
    fold_changed();
  }
  return n;
}

// A truth value in the place of a node that may have been given another type.
tree_node *in_type_of(tree_node *truth, ctype *type) {
  if (type_unqual(type) == type_bit() || type_arith(type) == ARITH_NONE) return truth;
  return tree_convert_to(truth, type);
}

tree_node *fold_logical(tree_node *n) {
  bool is_and = n->op == OP_LAND;
  ctype *type = n->type;
  tree_node *l = n->left, *r = n->right;
  bool warn = !(n->flags & TF_MADE_CONST) && !simplify_in_library();
  if (is_const(l) || is_fconst(l)) {
    if (warn && !(l->flags & TF_MADE_CONST)) msg_once(750);
    bool nonzero = is_const(l) ? l->value != 0 : l->fvalue != 0.0;
    bool decides = is_and ? !nonzero : nonzero;
    tree_free(l);
    n->left = nullptr;
    tree_node *result;
    if (!decides) {
      result = truth_of(r);
    } else {
      tree_free(r);
      result = bit_const(is_and ? 0 : 1);
    }
    take_place(result, n);
    free_shell(n);
    fold_changed();
    return in_type_of(result, type);
  }
  if (is_const(r) || is_fconst(r)) {
    if (warn && !(r->flags & TF_MADE_CONST)) msg_once(750);
    bool nonzero = is_const(r) ? r->value != 0 : r->fvalue != 0.0;
    bool decides = is_and ? !nonzero : nonzero;
    tree_free(r);
    n->right = nullptr;
    tree_node *result;
    if (decides)
      result = tree_build(OP_SEQ, l, bit_const(is_and ? 0 : 1));
    else
      result = truth_of(l);
    take_place(result, n);
    free_shell(n);
    fold_changed();
    return in_type_of(result, type);
  }
  return n;
}

// & and | of truth values are && and || when the right has no effect.
tree_node *bitwise_of_truths(tree_node *n, uint32_t logical) {
  if (tree_has_side_effect(n->right)) return nullptr;
  if (tree_size(n) == 0 && is_bit_typed(n)) {
    n->op = logical;
    n->flags |= TF_MADE_CONST;
    fold_changed();
    return n;
  }
  tree_node *l = n->left, *r = n->right;
  if (is_conversion(l) && is_conversion(r) && tree_size(l->left) == 0 && tree_size(r->left) == 0 &&
      is_bit_typed(l->left) && is_bit_typed(r->left)) {
    ctype *t = n->type;
    tree_node *a = l->left, *b = r->left;
    tree_free(l->right);
    free_shell(l);
    tree_free(r->right);
    free_shell(r);
    free_shell(n);
    tree_node *joined = tree_build(logical, a, b);
    joined->flags |= TF_MADE_CONST;
    fold_changed();
    return tree_convert_to(joined, t);
  }
  return nullptr;
}

tree_node *fold_multiply(tree_node *n) {
  tree_node *l = n->left, *r = n->right;
  if (is_unsigned(n) && tree_size(n) > 2) {
    tree_node *a = tree_narrow_source(l), *b = tree_narrow_source(r);
    if (a && b && tree_size(a) < 2 && tree_size(b) < 2) {
      ctype *former = n->type, *word = type_for_size(2, ARITH_UNSIGNED);
      n->left = tree_convert_to(l, word);
      n->right = tree_convert_to(r, word);
      n->type = word;
      tree_set_height(n);
      fold_changed();
      return tree_convert_to(n, former);
    }
  }
  // A constant factor stands on the right, where the rules below look: a
  // factor of 0 or 1 left in place would become a call to the multiply.
  if (is_const(l) && !is_const(r) && tree_size(l) == tree_size(r) && !tree_is_pointer(r)) {
    n->left = r;
    n->right = l;
    std::swap(l, r);
    fold_changed();
  }
  if (!is_const(r)) return n;
  if (r->value == 1) return tree_to_conversion(n);
  // Only what the other factor does is kept, as for & 0.
  if (r->value == 0 && !is_floating(n)) return tree_replace_by_const(n, 0);
  if (r->value < 0 && is_single_bit(uint32_t(-int64_t(r->value)))) {
    r->value = int32_t(0u - uint32_t(r->value));
    fold_changed();
    tree_node *reduced = tree_strength(n);
    return tree_build(OP_NEG, reduced, nullptr);
  }
  if (tree_bit_number(uint32_t(r->value), n)) return tree_strength(n);
  return n;
}

tree_node *fold_deref(tree_node *n) {
  tree_node *a = n->left;
  if (a->op != OP_ADDR) return n;
  tree_node *x = a->left;
  if (x->op == OP_CALL && type_is_struct(x->type) && tree_size(x) == tree_size(n)) {
    x->type = n->type;
    x->targets = n->targets;
    take_place(x, n);
    free_shell(a);
    free_shell(n);
    fold_changed();
    return x;
  }
  if (!type_is_struct(x->type)) return tree_cancel_address(n);
  bool keeps_address = x->op == OP_CALL || x->op == OP_CALLZAP || x->op == OP_ASSIGN || x->op == OP_QUEST;
  if ((x->op == OP_SEQ || x->op == OP_SEQCALL) && x->right &&
      (x->right->op == OP_CALL || x->right->op == OP_CALLZAP))
    keeps_address = true;
  return keeps_address ? n : tree_cancel_address(n);
}

tree_node *fold_add(tree_node *n) {
  tree_node *l = n->left, *r = n->right;
  if (is_bit_typed(n)) {
    n->op = OP_XOR;
    fold_changed();
    return n;
  }
  if (!is_floating(n) && l->op == OP_ID && r->op == OP_ID && l->sym == r->sym && !tree_is_volatile(l)) {
    n->op = OP_MUL;
    tree_free(r);
    n->right = tree_const_typed(2, n->type);
    tree_set_height(n);
    fold_changed();
    return n;
  }
  if (l->op == OP_NEG && r->op == OP_NEG) {
    n->left = l->left;
    n->right = r->left;
    free_shell(l);
    free_shell(r);
    tree_set_height(n);
    fold_changed();
    return tree_build(OP_NEG, n, nullptr);
  }
  return additive_tail(n);
}

// The base of a pointer expression through one +.
tree_node **pointer_base(tree_node **slot) {
  tree_node *t = *slot;
  if (t->op == OP_ADD) return &t->left;
  return slot;
}

tree_node *fold_subtract(tree_node *n) {
  tree_node *l = n->left, *r = n->right;
  if (is_conversion(l) && is_conversion(r) && type_equal(l->type, r->type) && tree_size(l->left) == tree_size(n) &&
      !is_floating(l->left) && !is_floating(r->left) && !tree_is_pointer(l->left) && !tree_is_pointer(r->left) &&
      tree_size(r->left) <= tree_size(l->left)) {
    ctype *t = n->type, *w = l->left->type;
    tree_node *a = l->left, *b = r->left;
    tree_free(l->right);
    free_shell(l);
    tree_free(r->right);
    free_shell(r);
    n->left = a;
    n->right = tree_convert_to(b, w);
    n->type = w;
    tree_set_height(n);
    fold_changed();
    return tree_convert_to(n, t);
  }
  if (is_conversion(l) && is_conversion(r) && type_equal(l->type, r->type) && tree_is_pointer(l->left) &&
      tree_is_pointer(r->left)) {
    tree_node **lb = pointer_base(&l->left), **rb = pointer_base(&r->left);
    if (!is_const(*lb) && tree_equal(*lb, *rb) && !tree_has_side_effect(*lb)) {
      for (tree_node **base : {lb, rb}) {
        ctype *t = (*base)->type;
        tree_free(*base);
        *base = tree_const(0);
        (*base)->type = t;
      }
      fold_changed();
      return n;
    }
  }
  if (is_bit_typed(n)) {
    n->op = OP_XOR;
    fold_changed();
    return n;
  }
  if (r->op == OP_ADD) {
    // a - (b + c) is (a - b) - c.
    tree_node *b = r->left, *c = r->right;
    r->op = OP_SUB;
    r->left = l;
    r->right = b;
    r->type = n->type;
    tree_set_height(r);
    n->left = r;
    n->right = c;
    tree_set_height(n);
    fold_changed();
    return n;
  }
  if (l->op == OP_NEG) {
    n->op = OP_ADD;
    n->left = l->left;
    free_shell(l);
    tree_set_height(n);
    fold_changed();
    return tree_build(OP_NEG, n, nullptr);
  }
  if (r->op == OP_NEG) {
    n->op = OP_ADD;
    n->right = r->left;
    free_shell(r);
    fold_changed();
    return n;
  }
  if (is_const(l) && !is_floating(n) && uint32_t(l->value) == tree_value_mask(n) && tree_value_mask(n)) {
    tree_free(l);
    n->left = r;
    n->right = nullptr;
    n->op = OP_COMPL;
    tree_set_height(n);
    fold_changed();
    return n;
  }
  if (is_const(l) && is_conversion(r) && is_unsigned(r) && is_unsigned(r->left) && !is_floating(r->left) &&
      uint32_t(l->value) == tree_value_mask(r->left) && tree_size(r->left) < tree_size(r)) {
    tree_node *x = r->left;
    ctype *t = n->type;
    tree_free(r->right);
    free_shell(r);
    tree_free(l);
    free_shell(n);
    fold_changed();
    return tree_convert_to(tree_build(OP_COMPL, x, nullptr), t);
  }
  return nullptr;
}

tree_node *fold_minus_const(tree_node *n) {
  if (tree_arith(n) == ARITH_SIGNED && is_const(n->right)) {
    tree_node *c = n->right;
    c->value = int32_t(0u - uint32_t(c->value));
    tree_convert_const_to(c->type, c);
    n->op = n->op == OP_SUB ? OP_ADD : OP_ASADD;
    fold_changed();
  }
  return additive_tail(n);
}

tree_node *fold_divide(tree_node *n) {
  tree_node *l = n->left, *r = n->right;
  // (-a) / c is a / -c in signed arithmetic only.
  if (n->op == OP_DIV && l->op == OP_NEG && is_const(r) && tree_arith(n) == ARITH_SIGNED) {
    r->value = int32_t(0u - uint32_t(r->value));
    n->left = l->left;
    free_shell(l);
    fold_changed();
  }
  if (is_const(r) && !is_floating(n) && !value_fits(const_value(r), n->type)) {
    if (n->op == OP_DIV) return tree_replace_by_const(n, 0);
    n->op = OP_ASSIGN;
    r->value = 0;
    fold_changed();
    return n;
  }
  if (is_const(r) && r->value == 1) return tree_to_conversion(n);
  if (is_const(r) && tree_bit_number(uint32_t(r->value), n)) {
    tree_node *reduced = tree_strength(n);
    if (reduced->op != OP_DIV && reduced->op != OP_ASDIV) return reduced;
  }
  return tail(n);
}

// The left of a sequence only runs for its effects: strip what has none.
tree_node *prune_sequence(tree_node *n) {
  for (;;) {
    tree_node *l = n->left;
    if (!l) return n;
    if (op_is_leaf(l->op)) {
      if (tree_is_volatile(l) || (op_dope(l->op) & D_SIDE_EFFECT)) break;
      tree_node *rest = n->right;
      tree_free(l);
      take_place(rest, n);
      free_shell(n);
      fold_changed();
      if (rest->op != OP_SEQ && rest->op != OP_SEQCALL) return rest;
      n = rest;
      continue;
    }
    if ((op_dope(l->op) & D_SIDE_EFFECT) || tree_is_volatile(l) || op_arity(l->op) == D_RECORD) break;
    if (op_is_unary(l->op)) {
      n->left = l->left;
      free_shell(l);
      fold_changed();
      continue;
    }
    tree_node *a = l->left, *b = l->right;
    if (op_has_operands(a->op) && op_has_operands(b->op)) {
      if (!(op_dope(l->op) & D_ORDERED)) {
        l->op = OP_SEQ;
        fold_changed();
        continue;
      }
      if (tree_has_side_effect(b)) break;
      tree_free(b);
      n->left = a;
      free_shell(l);
      fold_changed();
      continue;
    }
    if (op_is_leaf(b->op) && !tree_is_volatile(b)) {
      tree_free(b);
      n->left = a;
      free_shell(l);
      fold_changed();
      continue;
    }
    if (op_is_leaf(a->op) && !tree_is_volatile(a)) {
      tree_free(a);
      n->left = b;
      free_shell(l);
      fold_changed();
      continue;
    }
    break;
  }
  if (n->left && n->left->op == OP_POSTINC) {
    n->left->op = OP_ASADD;
    fold_changed();
  } else if (n->left && n->left->op == OP_POSTDEC) {
    n->left->op = OP_ASSUB;
    fold_changed();
  }
  return n;
}

void swap_operands(tree_node *n) {
  tree_node *t = n->left;
  n->left = n->right;
  n->right = t;
  fold_changed();
}

bool is_integer(const tree_node *t) {
  uint8_t a = tree_arith(t);
  return a == ARITH_SIGNED || a == ARITH_UNSIGNED || a == ARITH_BIT;
}

// < and >= (and <= and > folded onto them): the forms code selection knows.
tree_node *fold_ordering(tree_node *n) {
  tree_node *l = n->left, *r = n->right;
  bool lt_ge = n->op == OP_LT || n->op == OP_GE;
  if (!is_integer(l)) {
    if (!lt_ge && !tree_is_constant(r)) {
      swap_operands(n);
      n->op = n->op == OP_GT ? OP_LT : OP_GE;
    } else if (lt_ge && is_const(l) && !tree_is_constant(r)) {
      // Floating operands have no next value; only the sides turn.
      swap_operands(n);
      n->op = n->op == OP_LT ? OP_GT : OP_LE;
    }
    return n;
  }
  ctype *t = l->type;
  int64_t max = type_max_value(t), min = type_min_value(t);
  bool unsig = is_unsigned(l);
  if (lt_ge) {
    if (is_const(l) && !tree_is_constant(r)) {
      // c < x is x >= c + 1; at the top of the range the answer is known.
      int64_t c = const_value(l);
      if (c >= type_max_value(r->type)) {
        swap_operands(n);
        return tree_replace_by_const(n, n->op == OP_GE);
      }
      swap_operands(n);
      n->right->value = int32_t(c + 1);
      n->op = n->op == OP_LT ? OP_GE : OP_LT;
      return n;
    }
    if (!is_const(r)) return n;
    int64_t c = const_value(r);
    if (unsig) {
      if (c == 0) {
        if (!(type_unqual(l->type) && type_unqual(l->type)->kind == TY_ENUM) && type_equal(r->type, l->type))
          simplify_pend(765);
        tree_node *result = tree_replace_by_const(n, n->op == OP_GE);
        result->flags |= TF_MADE_CONST;
        return result;
      }
      if (c == max) {
        n->op = n->op == OP_LT ? OP_NE : OP_EQ;
        fold_changed();
      }
      return n;
    }
    if (c == min) {
      simplify_pend(766);
      return tree_replace_by_const(n, n->op == OP_GE);
    }
    if (c == max) {
      n->op = n->op == OP_LT ? OP_NE : OP_EQ;
      fold_changed();
    }
    return n;
  }
  if (is_const(l) && !tree_is_constant(r)) {
    swap_operands(n);
    n->op = n->op == OP_GT ? OP_LT : OP_GE;
    return n;
  }
  if (unsig) {
    if (is_const(r) && const_value(r) == 0) {
      n->op = n->op == OP_LE ? OP_EQ : OP_NE;
      fold_changed();
      return n;
    }
    if (is_const(r) && const_value(r) == max) {
      simplify_pend(765);
      return tree_replace_by_const(n, n->op == OP_LE);
    }
  } else {
    if (!tree_is_constant(r)) {
      swap_operands(n);
      n->op = n->op == OP_GT ? OP_LT : OP_GE;
      return n;
    }
    if (is_const(r) && const_value(r) == max) {
      simplify_pend(766);
      return tree_replace_by_const(n, n->op == OP_LE);
    }
    if (is_const(r) && const_value(r) == min) {
      n->op = n->op == OP_LE ? OP_EQ : OP_NE;
      fold_changed();
      return n;
    }
  }
  if (is_const(r)) {
    r->value = int32_t(const_value(r) + 1);
    n->op = n->op == OP_GT ? OP_GE : OP_LT;
    fold_changed();
  } else if (!tree_is_constant(r)) {
    swap_operands(n);
    n->op = n->op == OP_GT ? OP_LT : OP_GE;
  }
  return n;
}

// A left and a right shift of x whose counts make up its width: a rotation.
tree_node *rotation(tree_node *n) {
  tree_node *x = n->left, *r = n->right;
  if (!is_unsigned(x) || tree_has_side_effect(x)) return nullptr;
  if (r->op != OP_ADD && r->op != OP_XOR && r->op != OP_OR) return nullptr;
  tree_node *a = r->left, *b = r->right;
  bool shapes = ((a->op == OP_SHL && b->op == OP_SHR) || (a->op == OP_SHR && b->op == OP_SHL)) &&
                is_const(a->right) && is_const(b->right) && tree_equal(a->left, x) && tree_equal(b->left, x);
  if (!shapes || tree_size(a) != tree_size(x) || tree_size(b) != tree_size(x)) return nullptr;
  int32_t ca = a->right->value, cb = b->right->value;
  if (ca <= 0 || cb <= 0 || uint32_t(ca + cb) != 8 * tree_size(x)) return nullptr;
  tree_node *smaller = ca <= cb ? a : b;
  n->op = smaller->op == OP_SHL ? OP_ROTL : OP_ROTR;
  n->right = tree_const_typed(smaller->right->value, type_for_size(1, ARITH_UNSIGNED));
  tree_free(r);
  tree_set_height(n);
  fold_changed();
  return n;
}

// x = a op b split into x = a; x op= b stores x before b is read: b must not
// reach x another way, through a pointer or a call.
bool reaches_memory(tree_node *t, void *) {
  return t->op == OP_DEREF || (op_dope(t->op) & D_SIDE_EFFECT) || tree_is_volatile(t) || vec_size(t->args);
}

// x = a op b as (x = a; x op= b) saves the temporary a op b is worked out
// in, unless x = a is a call's value moved, a copy (x = y; x ^= 1 is longer
// than x = y ^ 1, though a long's sum is shorter in place), or a op b is a
// constant address.
bool worth_splitting(const tree_node *r) {
  const tree_node *a = r->left, *b = r->right;
  switch (a->op) {
    case OP_ID:
      return (r->op == OP_ADD || r->op == OP_SUB) && tree_size(r) == 4;
    case OP_MUL:
    case OP_DIV:
    case OP_MOD:
    case OP_CALL:
    case OP_CALLRESULT:
      return false;
    case OP_ADDR:
      return !is_const(b);
  }
  return true;
}

tree_node *fold_assign(tree_node *n) {
  tree_node *l = n->left, *r = n->right;
  if (tree_equal(l, r) && !tree_is_volatile(l) && !tree_has_side_effect(l)) return keep_left(n);
  if (is_conversion(r) && is_conversion(r->left) && tree_size(r) == tree_size(r->left) && is_integer(r) &&
      is_integer(r->left) && is_integer(r->left->left)) {
    n->right = r->left;
    tree_free(r->right);
    free_shell(r);
    r = n->right;
    fold_changed();
  }
  if (l->op == OP_ID && (op_dope(r->op) & D_HAS_ASSIGN) && op_is_binary(r->op) &&
      tree_size(r) == tree_size(l)) {
    tree_node *a = r->left, *b = r->right;
    if (a->op == OP_ID && a->sym == l->sym) {
      n->op = op_assign_form(r->op);
      n->right = b;
      tree_free(a);
      free_shell(r);
      n->height = uint16_t(b->height + 2);
      fold_changed();
      return n;
    }
    if ((op_dope(r->op) & D_COMMUTATIVE) && b->op == OP_ID && b->sym == l->sym) {
      n->op = op_assign_form(r->op);
      n->right = a;
      tree_free(b);
      free_shell(r);
      n->height = uint16_t(a->height + 2);
      fold_changed();
      return n;
    }
  }
  if (l->op == OP_BITFIELD && is_const(r)) {
    uint32_t mask = tree_bitfield_mask(l, false);
    if (uint32_t(r->value) & ~mask) {
      r->value = int32_t(uint32_t(r->value) & mask);
      if (model.warning_level <= 0) simplify_pend(762);
      fold_changed();
    }
  }
  if (r->op == OP_COMPL && tree_equal(r->left, l) && !tree_has_side_effect(l)) {
    tree_free(r);
    n->op = OP_ASXOR;
    n->right = tree_const_typed(-1, l->type);
    tree_set_height(n);
    fold_changed();
    return n;
  }
  if (tree_node *rotated = rotation(n)) return rotated;
  return n;
}

tree_node *fold_shift(tree_node *n) {
  tree_node *l = n->left, *r = n->right;
  bool left_shift = n->op == OP_SHL;
  if (n->op == OP_SHR && !is_unsigned(n)) return additive_tail(n);
  if (is_const(r) && r->value >= 0 && uint32_t(r->value) >= 8 * tree_size(n)) return tree_replace_by_const(n, 0);
  if (left_shift && is_const(r) && is_conversion(l) && tree_arith(l->left) == ARITH_SIGNED &&
      tree_size(l->left) < tree_size(l) && !is_floating(l) &&
      uint32_t(r->value) >= 8 * (tree_size(n) - tree_size(l->left))) {
    l->left = tree_convert_to(l->left, type_for_size(tree_size(l->left), ARITH_UNSIGNED));
    fold_changed();
  }
  if (left_shift && is_const(r) && (l->op == OP_ADD || l->op == OP_XOR || l->op == OP_OR) && is_const(l->right)) {
    // (a op k) << c is (a << c) op (k << c).
    tree_node *a = l->left, *k = l->right;
    tree_node *count = tree_copy(r);
    l->left = tree_build(OP_SHL, a, r);
    l->right = tree_fold_constants(tree_build(OP_SHL, k, count));
    l->type = n->type;
    tree_set_height(l);
    return give_way(n, l);
  }
  return additive_tail(n);
}

tree_node *fold_conditional(tree_node *n) {
  tree_node *c = n->left, *alternatives = n->right;
  if (is_const(c) || is_fconst(c)) {
    if (model.warning_level < 0 && !(c->flags & TF_MADE_CONST)) simplify_pend(763);
    bool first = is_const(c) ? c->value != 0 : c->fvalue != 0.0;
    tree_node *chosen = first ? alternatives->left : alternatives->right;
    if (first)
      alternatives->left = nullptr;
    else
      alternatives->right = nullptr;
    chosen->partner = nullptr;
    tree_free(alternatives);
    tree_free(c);
    return give_way(n, chosen);
  }
  tree_node *a = alternatives->left, *b = alternatives->right;
  if (is_const(a) && is_const(b) && !is_floating(n)) {
    bool one_zero = a->value == 1 && b->value == 0, zero_one = a->value == 0 && b->value == 1;
    if (one_zero || zero_one) {
      ctype *t = n->type;
      tree_free(alternatives);
      free_shell(n);
      tree_node *truth = truth_of(c);
      if (zero_one) truth = tree_not(tree_build(OP_NOT, truth, nullptr));
      fold_changed();
      return tree_convert_to(truth, t);
    }
  }
  // c ? *p : *q is *(c ? p : q) where both pointers reach the same objects:
  // the chosen pointer keeps them, which decide how it is dereferenced.
  if (a->op == OP_DEREF && b->op == OP_DEREF && tree_size(a) == tree_size(b) &&
      type_qualifiers(a->type) == type_qualifiers(b->type) && type_equal(a->left->type, b->left->type) &&
      a->left->targets == b->left->targets && a->left->indir == b->left->indir) {
    ctype *t = n->type;
    alternatives->left = a->left;
    alternatives->right = b->left;
    alternatives->targets = n->targets = a->left->targets;
    alternatives->indir = n->indir = a->left->indir;
    alternatives->left->partner = alternatives->right;
    alternatives->right->partner = alternatives->left;
    alternatives->type = a->left->type;
    free_shell(a);
    free_shell(b);
    n->type = alternatives->type;
    tree_set_height(alternatives);
    tree_set_height(n);
    fold_changed();
    tree_node *result = tree_build(OP_DEREF, n, nullptr);
    result->type = t;
    return result;
  }
  return n;
}

// ^ and =^ (t is what the mask is taken from), | and =|.
tree_node *fold_xor_or(tree_node *n, bool is_xor) {
  bool assign = n->op == OP_ASXOR || n->op == OP_ASOR;
  if (!is_const(n->right)) return n;
  uint32_t mask = tree_value_mask(assign ? n->left : n);
  uint32_t c = uint32_t(n->right->value);
  if (mask && (c & ~mask)) {
    c &= mask;
    n->right->value = value_in_type(c, n->right->type);
    fold_changed();
  }
  if (c == 0) return keep_left(n);
  if (c != mask || !mask) return n;
  if (is_xor) {
    if (assign) return n;
    tree_free(n->right);
    n->right = nullptr;
    n->op = OP_COMPL;
    tree_set_height(n);
    fold_changed();
    return n;
  }
  if (assign) {
    n->op = OP_ASSIGN;
    fold_changed();
    return n;
  }
  return tree_replace_by_const(n, n->right->value);
}

}  // namespace

tree_node *tree_to_conversion(tree_node *n) {
  tree_node *r = n->right;
  ctype *t = type_unqual(n->type);
  r->op = OP_TYPE;
  r->type = t;
  r->value = 0;
  r->targets = nullptr;
  r->height = 1;
  n->op = OP_CONV;
  n->type = t;
  tree_set_height(n);
  fold_changed();
  return n;
}

tree_node *tree_replace_by_const(tree_node *n, int32_t v) {
  tree_node *c = n->right;
  if (!c || c->op != OP_CONST) {
    tree_free(c);
    c = tree_const(0);
  }
  c->type = type_unqual(n->type);
  c->value = tree_size(n) || type_unqual(n->type) == type_bit() ? value_in_type(v, c->type) : v;
  c->targets = nullptr;
  if (tree_has_side_effect(n->left)) {
    n->op = OP_SEQ;
    n->right = c;
    n->type = c->type;
    n->targets = nullptr;
    tree_set_height(n);
    fold_changed();
    return n;
  }
  tree_free(n->left);
  return give_way(n, c);
}

tree_node *tree_cancel_address(tree_node *n) {
  tree_node *inner = n->left;
  tree_node *e = inner->left;
  bool cancels = e->op == OP_DEREF || e->op == OP_ID;
  if (n->op == OP_DEREF) cancels = cancels && tree_fits_type(e, tree_size(n));
  free_shell(inner);
  fold_changed();
  if (cancels) {
    e->type = n->type;
    e->targets = n->targets;
    e->indir = n->indir;
    take_place(e, n);
    free_shell(n);
    return e;
  }
  ctype *t = n->type;
  take_place(e, n);
  free_shell(n);
  return tree_convert_to(e, t);
}

tree_node *tree_strength(tree_node *n) {
  tree_node *c = n->right;
  if (!is_const(c)) return n;
  uint32_t bit = tree_bit_number(uint32_t(c->value), n);
  if (!bit) return n;
  uint32_t size = tree_size(n);
  bool small = size == 1 || (size == 2 && is_conversion(n->left) && tree_size(n->left->left) == 1);
  uint32_t op;
  switch (n->op) {
    case OP_MUL:
    case OP_ASMUL:
      if (small && c->value != 256 && c->value != 65536) return n;
      op = n->op == OP_MUL ? OP_SHL : OP_ASSHL;
      break;
    case OP_MOD:
    case OP_ASMOD:
      // Only an unsigned remainder is a mask: a negative dividend keeps its sign.
      if (!is_unsigned(n->left)) return n;
      c->value = int32_t(uint32_t(c->value) - 1);
      n->op = n->op == OP_MOD ? OP_AND : OP_ASAND;
      fold_changed();
      return n;
    case OP_DIV:
    case OP_ASDIV:
      // A signed quotient rounds toward zero; a shift would round down.
      if (!is_unsigned(n)) return n;
      op = n->op == OP_DIV ? OP_SHR : OP_ASSHR;
      break;
    default:
      return n;
  }
  uint8_t arith = tree_arith(c) == ARITH_SIGNED ? ARITH_SIGNED : ARITH_UNSIGNED;
  tree_free(c);
  n->right = tree_const_typed(int32_t(bit - 1), type_for_size(1, arith));
  n->op = op;
  tree_set_height(n);
  fold_changed();
  return n;
}

tree_node *tree_not(tree_node *n) {
  tree_node *x = n->left;
  // Every ordering of a NaN is false, so !(a < b) is not a >= b for floats.
  bool unordered = x->left && tree_arith(x->left) == ARITH_FLOAT && x->op != OP_EQ && x->op != OP_NE;
  if (op_is_compare(x->op) && !unordered) {
    x->op = op_negate_compare(x->op);
    return give_way(n, x);
  }
  if (x->op == OP_NOT) {
    tree_node *y = x->left;
    free_shell(n);
    fold_changed();
    if (is_truth(y)) {
      take_place(y, x);
      free_shell(x);
      return y;
    }
    // !!y is y as a truth value.
    x->op = OP_NE;
    x->right = tree_const(0);
    x->right->type = type_unqual(y->type);
    x->type = type_bit();
    tree_set_height(x);
    return x;
  }
  if (x->op == OP_SEQ) {
    n->left = x->right;
    tree_set_height(n);
    x->right = n;
    x->type = n->type;
    tree_set_height(x);
    fold_changed();
    return x;
  }
  if (x->op == OP_LAND || x->op == OP_LOR) {
    x->op = x->op == OP_LAND ? OP_LOR : OP_LAND;
    x->left = tree_build(OP_NOT, x->left, nullptr);
    x->right = tree_build(OP_NOT, x->right, nullptr);
    tree_set_height(x);
    return give_way(n, x);
  }
  return n;
}

tree_node *tree_fold_operator(tree_node *n) {
  switch (n->op) {
    case OP_NE:
    case OP_EQ:
      return fold_equality(n);
    case OP_SIZEOF: {
      uint32_t size = tree_size(n->left);
      if (size == 0) msg_once(761);
      tree_node *c = tree_const(int32_t(size));
      c->type = n->type;
      c->flags |= TF_MADE_CONST;
      tree_free(n);
      fold_changed();
      return c;
    }
    case OP_CJUMP:
      if (n->left->op == OP_SEQ) {
        tree_node *seq = n->left;
        n->left = seq->right;
        tree_set_height(n);
        seq->right = n;
        seq->type = n->type;
        tree_set_height(seq);
        take_place(seq, n);
        fold_changed();
        return seq;
      }
      return n;
    case OP_MOD:
    case OP_ASMOD:
      if (is_const(n->right) && tree_bit_number(uint32_t(n->right->value), n)) {
        tree_node *reduced = tree_strength(n);
        if (reduced->op != OP_MOD && reduced->op != OP_ASMOD) return tail(reduced);
      }
      return tail(n);
    case OP_AND:
      if (tree_node *r = bitwise_of_truths(n, OP_LAND)) return r;
      return tail(n);
    case OP_LAND:
    case OP_LOR:
      return fold_logical(n);
    case OP_ADDR:
      if (n->left->op == OP_DEREF) return tree_cancel_address(n);
      if (n->left->op == OP_ID && type_is_function(n->left->sym->type)) n->left->sym->flags2 |= SYM2_ADDRESS_TAKEN;
      return n;
    case OP_ARGS1:
    case OP_ARGS1 + 1:
    case OP_ARGS1 + 2:
    case OP_ARGS4:
      if (n->left->op == OP_EMPTY) return keep_left(n);
      return n;
    case OP_MUL:
      return fold_multiply(n);
    case OP_DEREF:
      return fold_deref(n);
    case OP_ADD:
      return fold_add(n);
    case OP_PLUS:
      return keep_left(n);
    case OP_SUB:
      if (tree_node *r = fold_subtract(n)) return r;
      return fold_minus_const(n);
    case OP_ASSUB:
      return fold_minus_const(n);
    case OP_CONV:
      return tree_fold_conversion(n);
    case OP_DOT:
      fold_changed();
      return tree_member_address(n);
    case OP_DIV:
    case OP_ASDIV:
      return fold_divide(n);
    case OP_SEQ:
    case OP_SEQCALL:
      return prune_sequence(n);
    case OP_LT:
    case OP_GE:
    case OP_LE:
    case OP_GT:
      return fold_ordering(n);
    case OP_ASSIGN:
      return fold_assign(n);
    case OP_ASAND:
      return tail(n);
    case OP_ASMUL:
      if (is_const(n->right) && n->right->value == 1) return tree_to_conversion(n);
      if (is_const(n->right) && tree_bit_number(uint32_t(n->right->value), n)) {
        tree_node *reduced = tree_strength(n);
        if (reduced->op != OP_ASMUL) return reduced;
      }
      return tail(n);
    case OP_ASADD:
      return additive_tail(n);
    case OP_ASSHL:
    case OP_ASSHR:
      if (n->op == OP_ASSHR && !is_unsigned(n)) return additive_tail(n);
      if (is_const(n->right) && n->right->value >= 0 && uint32_t(n->right->value) >= 8 * tree_size(n)) {
        n->op = OP_ASSIGN;
        n->right->value = 0;
        n->right->type = type_unqual(n->left->type);
        fold_changed();
        return n;
      }
      return additive_tail(n);
    case OP_SHR:
    case OP_SHL:
      return fold_shift(n);
    case OP_QUEST:
      return fold_conditional(n);
    case OP_XOR:
      if (is_bit_typed(n)) {
        n->op = OP_NE;
        fold_changed();
        return n;
      }
      return fold_xor_or(n, true);
    case OP_ASXOR:
      return fold_xor_or(n, true);
    case OP_OR:
      if (tree_node *r = bitwise_of_truths(n, OP_LOR)) return r;
      return fold_xor_or(n, false);
    case OP_ASOR:
      return fold_xor_or(n, false);
    case OP_COMPL:
      if (is_bit_typed(n->left)) {
        n->op = OP_NOT;
        fold_changed();
        return tree_not(n);
      }
      return n;
    case OP_NOT:
      return tree_not(n);
  }
  return n;
}

tree_node *fold_split_statement(tree_node *t) {
  if (!t) return t;
  if (t->op == OP_SEQ) {
    t->left = fold_split_statement(t->left);
    t->right = fold_split_statement(t->right);
    tree_set_height(t);
    return t;
  }
  if (t->op != OP_ASSIGN || t->left->op != OP_ID) return t;
  tree_node *l = t->left, *r = t->right;
  if (!(op_dope(r->op) & D_HAS_ASSIGN) || !op_is_binary(r->op) || tree_size(r) != tree_size(l)) return t;
  tree_node *a = r->left, *b = r->right;
  // The split stores in x's type, so the operations must be done in it too.
  if (tree_is_constant(r) || !worth_splitting(r) || tree_arith(l) != tree_arith(r) || tree_is_volatile(l) ||
      !local_cheap_op(r) || tree_uses_symbol(b, l->sym) || tree_find(b, nullptr, reaches_memory))
    return t;
  tree_node *first = tree_build(OP_ASSIGN, tree_copy(l), a);
  t->op = op_assign_form(r->op);
  t->right = b;
  free_shell(r);
  tree_set_height(t);
  return tree_build(OP_SEQ, first, t);
}
