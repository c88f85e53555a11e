// The folding rules of conversions.
#include <initializer_list>

#include "codegen/model/build.h"
#include "codegen/model/fold.h"
#include "codegen/model/foldsupport.h"
#include "codegen/model/simplify.h"
#include "codegen/model/target_services.h"
#include "common/alert.h"

namespace {

// The conversion node gives way to its operand.
tree_node *drop_conversion(tree_node *n) {
  tree_node *e = n->left;
  tree_free(n->right);
  return give_way(n, e);
}

// Only the program's own narrowing conversions are worth a warning.
void warn_narrowing(const tree_node *n, const tree_node *e) {
  if (tree_size(n) < tree_size(e) && !(n->flags & TF_MADE_CONVERSION) && !simplify_in_library()) msg_once(752);
}

bool same_types(const tree_node *n, const tree_node *e) {
  ctype *a = type_unqual(n->type), *b = type_unqual(e->type);
  if (type_is_pointer(a) || type_is_pointer(b)) return type_is_pointer(a) && type_is_pointer(b) && type_equal(a, b);
  if (type_equal(a, b)) return true;
  uint8_t arith = type_arith(a);
  return arith != ARITH_NONE && type_size(a) == type_size(b) && arith == type_arith(b);
}

// A constant operand moved under a conversion is cut to the conversion's
// type silently: the conversion asked for that, and only its low bytes
// matter to the operation.
tree_node *narrowed_operand(tree_node *operand, tree_node *n) {
  if (operand->op != OP_CONST || tree_arith(n) == ARITH_FLOAT) return tree_convert_to(operand, n->type);
  tree_fit_folded_const(n, operand);
  return operand;
}

// (T)(c ? a : b) is c ? (T)a : (T)b.
tree_node *into_alternatives(tree_node *n) {
  tree_node *q = n->left;
  tree_node *alternatives = q->right;
  ctype *t = n->type;
  alternatives->left = narrowed_operand(alternatives->left, n);
  alternatives->right = narrowed_operand(alternatives->right, n);
  alternatives->left->partner = alternatives->right;
  alternatives->right->partner = alternatives->left;
  alternatives->type = q->type = t;
  tree_set_height(alternatives);
  tree_set_height(q);
  tree_free(n->right);
  return give_way(n, q);
}

// (T)(a op b) as (T)a op (T)b for operations whose low bytes come from the
// operands' low bytes.
tree_node *narrow_operation(tree_node *n) {
  tree_node *e = n->left;
  ctype *t = n->type;
  bool shift = op_dope(e->op) & D_SHIFT;
  e->left = narrowed_operand(e->left, n);
  if (op_is_binary(e->op) && !shift) e->right = narrowed_operand(e->right, n);
  e->type = t;
  tree_set_height(e);
  tree_free(n->right);
  return give_way(n, e);
}

}  // namespace

tree_node *tree_fold_conversion(tree_node *n) {
  tree_node *e = n->left;
  ctype *t = n->type;
  bool to_float = type_arith(t) == ARITH_FLOAT, from_float = is_floating(e);
  if (to_float && is_const(e)) {
    double v = double(const_value(e));
    e->op = OP_FCONST;
    e->value = 0;
    e->fvalue = v;
    e->type = t;
    e->height = 1;
    return drop_conversion(n);
  }
  uint32_t size = type_size(t);
  if (e->op == OP_QUEST && tree_fits_type(e->right->left, size) && tree_fits_type(e->right->right, size))
    return into_alternatives(n);
  bool fits = !tree_is_constant(e) && tree_fits_type(e, size);
  if ((fits || (e->op == OP_REG && tree_size(e) == size)) && !to_float && !from_float) {
    warn_narrowing(n, e);
    e->type = type_qualify(type_unqual(t), type_qualifiers(e->type));
    return drop_conversion(n);
  }
  if (same_types(n, e)) {
    if (type_is_pointer(t) && e->targets) {
      e->type = t;
      if (!type_is_function(type_target(type_unqual(t)))) type_set_ptr_size(e->type, emit_pointer_size(e->targets));
    } else {
      e->type = t;
    }
    return drop_conversion(n);
  }
  if (e->op == OP_SEQ) {
    // (T)(a ; b) is a ; (T)b.
    n->left = e->right;
    tree_set_height(n);
    e->right = n;
    e->type = t;
    e->targets = nullptr;
    tree_set_height(e);
    take_place(e, n);
    fold_changed();
    return e;
  }
  // A count at or past the narrower width would be a different shift.
  bool count_fits = !is_const(e->right) || (e->right->value >= 0 && uint32_t(e->right->value) < 8 * size);
  if (!to_float && size <= tree_size(e) && (e->op == OP_SHL || e->op == OP_SHR) && count_fits) {
    bool constant_right_shift = e->op == OP_SHR && is_const(e->left) && e->left->value > 0 &&
                                tree_arith(e) == ARITH_SIGNED && type_arith(t) == ARITH_UNSIGNED &&
                                value_fits(e->left->value, t);
    if (e->op == OP_SHL || constant_right_shift) {
      e->left = tree_convert_to(e->left, t);
      e->type = t;
      tree_set_height(e);
      return drop_conversion(n);
    }
  }
  if (!to_float && is_conversion(e) && tree_size(e->left) < tree_size(e) && !is_floating(e) &&
      !is_floating(e->left) && !tree_is_pointer(e) && !tree_is_pointer(e->left) && is_unsigned(e->left)) {
    n->left = e->left;
    tree_free(e->right);
    free_shell(e);
    tree_set_height(n);
    fold_changed();
    return n;
  }
  if (to_float || from_float || size > tree_size(e) || !op_has_operands(e->op)) return n;
  if (tree_is_pointer(n) && size != type_size(type_index())) return n;
  warn_narrowing(n, e);
  if (is_conversion(e)) {
    tree_node *y = e->left;
    bool narrower_or_float = tree_size(y) < size || is_floating(y);
    bool classes_agree = tree_arith(y) == tree_arith(e) && tree_arith(e) == tree_arith(n);
    if (!narrower_or_float || classes_agree) {
      n->left = y;
      tree_free(e->right);
      free_shell(e);
      tree_set_height(n);
      fold_changed();
    }
    return n;
  }
  if (e->op == OP_QUEST && is_conversion(e->right->left) && is_conversion(e->right->right) &&
      !is_floating(e->right->left->left) && !is_floating(e->right->right->left))
    return into_alternatives(n);
  if ((op_dope(e->op) & D_LOW_BYTES) && !tree_has_side_effect(e) && op_arity(e->op) != D_RECORD) {
    if (tree_is_pointer(e) && !(tree_is_pointer(n) && type_equal(e->type, t))) return n;
    if (op_is_binary(e->op) && !(op_dope(e->op) & D_SHIFT) && tree_size(e->right) < size) return n;
    if ((op_dope(e->op) & D_SHIFT) && !count_fits) return n;
    return narrow_operation(n);
  }
  return n;
}
