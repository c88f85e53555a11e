#include "codegen/model/simplify.h"

#include <cmath>
#include <cstring>
#include <initializer_list>

#include "codegen/model/build.h"
#include "codegen/model/fold.h"
#include "codegen/model/foldsupport.h"
#include "codegen/model/progstate.h"
#include "codegen/model/symbols.h"
#include "codegen/model/target_services.h"
#include "codegen/model/walk.h"
#include "common/alert.h"

namespace {

unsigned pending;

// The value a floating constant of type t holds: v rounded to the type's
// format, as the target computes it.
double held_value(double v, ctype *t) {
  uint32_t size = type_size(t);
  if (type_arith(t) != ARITH_FLOAT || (size != 3 && size != 4)) return v;
  uint32_t bits = cgen_float_bits(v, size) << (size == 3 ? 8 : 0);
  float f;
  memcpy(&f, &bits, sizeof f);
  return double(f);
}

double held_value(const tree_node *c) {
  double v = const_as_double(c);
  return c->op == OP_FCONST ? held_value(v, c->type) : v;
}

bool warn_pedantic() { return model.warning_level < 0; }

// Shift counts are one byte; subtraction is addition of the negation.
tree_node *canonicalise(void *, tree_node *n, int, int, int) {
  uint32_t d = op_dope(n->op);
  if ((d & D_SHIFT) && n->right && tree_size(n->right) != 1) {
    uint8_t arith = tree_arith(n->right) == ARITH_SIGNED ? ARITH_SIGNED : ARITH_UNSIGNED;
    n->right = tree_convert_to(n->right, type_for_size(1, arith));
    tree_set_height(n);
  }
  switch (n->op) {
    case OP_SUB:
      n->op = OP_ADD;
      n->right = tree_build(OP_NEG, n->right, nullptr);
      tree_set_height(n);
      fold_changed();
      return n;
    case OP_NEG:
      if (n->left->op == OP_NEG) {
        tree_node *inner = n->left->left;
        free_shell(n->left);
        return give_way(n, inner);
      }
      if (n->left->op == OP_FCONST) {
        tree_node *f = n->left;
        f->fvalue = -f->fvalue;
        return give_way(n, f);
      }
      return n;
    case OP_ASAND:
    case OP_ASOR:
      if (n->left->op == OP_ID && n->right->op == OP_ID && n->left->sym == n->right->sym) return keep_left(n);
      break;
    case OP_ASXOR:
      if (n->left->op == OP_ID) {
        if (tree_is_zero(n->right)) return keep_left(n);
        if (n->right->op == OP_ID && n->right->sym == n->left->sym) {
          n->op = OP_ASSIGN;
          tree_node *zero = tree_zero_like(n->right);
          zero->type = type_unqual(n->left->type);
          n->right = zero;
          fold_changed();
          return n;
        }
      }
      break;
  }
  if ((n->op == OP_ASAND || n->op == OP_ASOR || n->op == OP_ASXOR) && n->left->op == OP_BITFIELD &&
      is_const(n->right)) {
    uint32_t mask = tree_bitfield_mask(n->left, false);
    uint32_t value = uint32_t(n->right->value);
    if (value & ~mask) {
      n->right->value = int32_t(value & mask);
      if (warn_pedantic()) simplify_pend(767);
      fold_changed();
    }
  }
  return n;
}

// Warns about a comparison of an address or constant with zero.
void check_compare_with_zero(const tree_node *n) {
  if (!warn_pedantic() || (n->left->flags & TF_MADE_CONST) || !tree_is_zero(n->right)) return;
  for (const tree_node *t = n->left; t;) {
    if (t->op == OP_ASSIGN || t->op == OP_SEQ || t->op == OP_SEQCALL) {
      t = t->right;
    } else if (t->op == OP_ADD && is_const(t->left)) {
      t = t->right;
    } else {
      if (t->op == OP_CONST || (t->op == OP_ADDR && t->left && t->left->op == OP_ID)) simplify_pend(768);
      return;
    }
  }
}

tree_node *fold_conversion(tree_node *n) {
  tree_node *c = n->left;
  ctype *target = n->right->type;
  tree_free(n->right);
  n->right = nullptr;
  tree_node *result;
  if (type_arith(target) == ARITH_FLOAT) {
    if (c->op == OP_FCONST) {
      result = c;
      result->fvalue = held_value(held_value(c), target);
    } else {
      double v = double(const_value(c));
      result = tree_node_new();
      result->op = OP_FCONST;
      result->height = 1;
      result->fvalue = held_value(v, target);
      tree_free(c);
    }
    result->type = target;
  } else if (c->op == OP_FCONST) {
    double v = std::trunc(held_value(c));
    // Out-of-range floating values have no integer value; keep the bits of
    // the nearest 64-bit one.
    int64_t i = v >= 9.2e18 ? INT64_MAX : v <= -9.2e18 ? INT64_MIN : int64_t(v);
    result = tree_const(int32_t(uint32_t(uint64_t(i))));
    tree_free(c);
    tree_convert_const_to(target, result);
  } else {
    tree_convert_const_to(target, c);
    result = c;
    result->flags |= n->flags & TF_MADE_CONST;
  }
  return give_way(n, result);
}

bool fold_unsigned(tree_node *n, tree_node *l, const tree_node *r) {
  if (!r) return false;
  uint32_t a = uint32_t(const_value(l)), b = uint32_t(const_value(r));
  switch (n->op) {
    case OP_MOD:
    case OP_DIV:
      if (b == 0) {
        msg_once(743);
        return false;
      }
      l->value = int32_t(n->op == OP_DIV ? a / b : a % b);
      return true;
    case OP_SHR: {
      uint32_t size = tree_size(l);
      uint32_t bits = size && size < 4 ? 8 * size : 32;
      if (bits < 32) a &= (uint32_t(1) << bits) - 1;
      if (tree_arith(n) != ARITH_UNSIGNED && b != 0 && b < bits && (a >> (bits - 1)) & 1)
        l->value = int32_t((((uint32_t(1) << b) - 1) << (bits - b)) | (a >> b));
      else
        l->value = int32_t(b >= 32 ? 0 : a >> b);
      return true;
    }
    case OP_LT:
    case OP_LE:
    case OP_GT:
    case OP_GE:
      if (warn_pedantic() && !(n->flags & TF_MADE_CONST)) simplify_pend(768);
      l->value = n->op == OP_LT ? a < b : n->op == OP_LE ? a <= b : n->op == OP_GT ? a > b : a >= b;
      return true;
  }
  return false;
}

bool fold_signed(tree_node *n, tree_node *l, const tree_node *r) {
  int64_t a = const_value(l), b = r ? const_value(r) : 0;
  uint32_t ua = uint32_t(a), ub = uint32_t(b);
  int64_t v;
  switch (n->op) {
    case OP_NOT: v = a == 0; break;
    case OP_NEG: v = int32_t(0u - ua); break;
    case OP_COMPL: v = int32_t(~ua); break;
    case OP_ADD: v = int32_t(ua + ub); break;
    case OP_SUB: v = int32_t(ua - ub); break;
    case OP_MUL: v = int32_t(ua * ub); break;
    case OP_AND: v = int32_t(ua & ub); break;
    case OP_OR: v = int32_t(ua | ub); break;
    case OP_XOR: v = int32_t(ua ^ ub); break;
    case OP_LAND: v = a != 0 && b != 0; break;
    case OP_LOR: v = a != 0 || b != 0; break;
    case OP_SHL: v = int32_t(ua << (ub & 31)); break;
    case OP_SHR: v = int32_t(a) >> (ub & 31); break;
    case OP_DIV:
    case OP_MOD:
      if (b == 0) {
        msg_once(743);
        return false;
      }
      // Computed wide: the most negative value divided by -1 has a value.
      v = n->op == OP_DIV ? a / b : a % b;
      v = int32_t(uint32_t(uint64_t(v)));
      break;
    case OP_EQ:
    case OP_NE:
    case OP_LT:
    case OP_LE:
    case OP_GT:
    case OP_GE:
      if (warn_pedantic() && !(n->flags & TF_MADE_CONST)) simplify_pend(768);
      v = n->op == OP_EQ ? a == b : n->op == OP_NE ? a != b : n->op == OP_LT ? a < b
          : n->op == OP_LE ? a <= b : n->op == OP_GT ? a > b : a >= b;
      break;
    default:
      return false;
  }
  l->value = int32_t(v);
  return true;
}

bool fold_floating(tree_node *&n, tree_node *l, const tree_node *r) {
  double a = held_value(l), b = r ? held_value(r) : 0.0;
  switch (n->op) {
    case OP_EQ:
    case OP_NE:
    case OP_LT:
    case OP_LE:
    case OP_GT:
    case OP_GE: {
      if (warn_pedantic() && !(n->flags & TF_MADE_CONST)) simplify_pend(768);
      bool v = n->op == OP_EQ ? a == b : n->op == OP_NE ? a != b : n->op == OP_LT ? a < b
               : n->op == OP_LE ? a <= b : n->op == OP_GT ? a > b : a >= b;
      tree_node *c = tree_const(v);
      c->type = n->type;
      take_place(c, n);
      tree_free(n);
      n = c;
      fold_changed();
      return true;
    }
    case OP_ADD: l->fvalue = a + b; break;
    case OP_SUB: l->fvalue = a - b; break;
    case OP_MUL: l->fvalue = a * b; break;
    case OP_DIV:
      if (b == 0.0) {
        msg_once(743);
        return false;
      }
      l->fvalue = a / b;
      break;
    case OP_NEG: l->fvalue = -a; break;
    default: return false;
  }
  // Each operation rounds its result, as on the target.
  l->fvalue = held_value(l->fvalue, n->type);
  if (l->op != OP_FCONST) {
    l->op = OP_FCONST;
    l->value = 0;
  }
  return true;
}

// Signed overflow in a folded operation is reported; unsigned arithmetic
// wraps by definition.
void fit_result(const tree_node *n, tree_node *c) {
  if (tree_arith(n) == ARITH_SIGNED)
    tree_convert_const(n, c);
  else
    tree_fit_folded_const(n, c);
}

tree_node *fold_step(void *, tree_node *n, int, int, int) {
  if (n->op == OP_ADD && n->right && n->right->op == OP_NEG) {
    tree_node *neg = n->right;
    n->op = OP_SUB;
    n->right = neg->left;
    free_shell(neg);
    fold_changed();
  } else if (n->op == OP_ADD && n->left && n->left->op == OP_NEG) {
    tree_node *neg = n->left;
    n->op = OP_SUB;
    n->left = n->right;
    n->right = neg->left;
    free_shell(neg);
    fold_changed();
  }
  if (n->op == OP_CONV && is_fconst(n->left) && type_arith(n->right->type) == ARITH_FLOAT) return fold_conversion(n);
  if ((n->op == OP_NE || n->op == OP_EQ) && n->left && n->right) check_compare_with_zero(n);

  if (!op_has_operands(n->op) || op_arity(n->op) == D_RECORD) return n;
  tree_node *l = n->left, *r = n->right;
  if (!(is_const(l) || is_fconst(l))) return n;
  if (n->op == OP_CONV) return fold_conversion(n);
  bool binary = op_is_binary(n->op);
  if (binary && !(is_const(r) || is_fconst(r))) return n;

  bool folded;
  switch (tree_arith(l)) {
    case ARITH_UNSIGNED:
      folded = fold_unsigned(n, l, binary ? r : nullptr) ||
               ((n->op != OP_MOD && n->op != OP_DIV) && fold_signed(n, l, binary ? r : nullptr));
      break;
    case ARITH_FLOAT: {
      tree_node *before = n;
      folded = fold_floating(n, l, binary ? r : nullptr);
      if (folded && n != before) return n;
      break;
    }
    case ARITH_SIGNED:
    case ARITH_BIT:
      folded = fold_signed(n, l, binary ? r : nullptr);
      break;
    default:
      folded = false;
  }
  if (!folded) return n;
  bool node_floating = is_floating(n);
  if (binary) {
    if (tree_is_pointer(r) && !tree_is_pointer(l)) {
      l->type = r->type;
      l->targets = r->targets;
    } else if (!node_floating && !(tree_is_pointer(l) && !tree_is_pointer(r))) {
      fit_result(n, l);
    }
    tree_free(r);
  } else if (!node_floating) {
    fit_result(n, l);
  }
  if (l->op == OP_CONST && (n->flags & TF_MADE_CONST)) l->flags |= TF_MADE_CONST;
  return give_way(n, l);
}

tree_node *rule_step(void *, tree_node *n, int, int, int) { return tree_fold(n); }

}  // namespace

void simplify_pend(unsigned number) { pending = number; }
unsigned simplify_pending() { return pending; }

bool simplify_in_library() {
  symbol *f = sym_current_function();
  return f && (f->flags & SYM_LIBRARY);
}

tree_node *tree_fold_constants(tree_node *tree) {
  return tree_walk(WALK_POST_RIGHT_FIRST, nullptr, tree, fold_step, 0, 0, 0);
}

tree_node *tree_simplify(tree_node *tree) {
  if (!tree) return nullptr;
  pending = 0;
  tree = tree_walk(WALK_POST_RIGHT_FIRST, nullptr, tree, canonicalise, 0, 0, 0);
  for (int round = 0;; round++) {
    tree_set_position(tree);
    tree_changed = false;
    if (round == SIMPLIFY_ROUNDS) break;
    tree = tree_fold_constants(tree);
    tree = tree_walk(WALK_POST_RIGHT_FIRST, nullptr, tree, rule_step, 0, 0, 1);
    if (!tree_changed) break;
  }
  if (pending && !simplify_in_library()) msg_once(pending);
  pending = 0;

  if (tree->op == OP_CJUMP && is_const(tree->left)) {
    if (!(tree->flags & TF_MADE_CONST) && !(tree->left->flags & TF_MADE_CONST) && !simplify_in_library())
      msg_once(757);
    tree_node *condition = tree->left;
    if (condition->value == 0) {
      tree_free(tree->right);
      take_place(condition, tree);
      free_shell(tree);
      return condition;
    }
    tree->op = OP_JUMP;
    tree->left = tree->right;
    tree->right = nullptr;
    tree_free(condition);
    tree_set_height(tree);
    return tree;
  }
  if (tree->op == OP_ASSIGN && tree->left->op == OP_BITFIELD && is_const(tree->right)) {
    uint32_t value = uint32_t(tree->right->value);
    if (value != 0 && value == tree_bitfield_mask(tree->left, false))
      tree->op = OP_ASOR;
    else if (value == 0)
      tree->op = OP_ASAND;
  }
  return tree;
}
