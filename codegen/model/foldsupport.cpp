#include "codegen/model/foldsupport.h"

#include "codegen/model/build.h"
#include "common/alloc.h"

int64_t const_value(const tree_node *c) {
  if (tree_size(c) >= 4 && tree_arith(c) != ARITH_SIGNED) return int64_t(uint32_t(c->value));
  return c->value;
}

int64_t type_min_value(ctype *t) {
  uint32_t size = type_size(t);
  if (type_arith(t) != ARITH_SIGNED) return 0;
  if (size == 0 || size > 4) size = 4;
  return -(int64_t(1) << (8 * size - 1));
}

int64_t type_max_value(ctype *t) {
  uint32_t size = type_size(t);
  if (type_unqual(t) == type_bit()) return 1;
  if (size == 0 || size > 4) size = 4;
  if (type_arith(t) == ARITH_SIGNED) return (int64_t(1) << (8 * size - 1)) - 1;
  return (int64_t(1) << (8 * size)) - 1;
}

bool value_fits(int64_t v, ctype *t) { return v >= type_min_value(t) && v <= type_max_value(t); }

int32_t value_in_type(int64_t v, ctype *t) {
  uint32_t size = type_size(t);
  if (type_unqual(t) == type_bit()) return int32_t(v & 1);
  if (size == 0 || size >= 4) return int32_t(uint32_t(uint64_t(v)));
  uint32_t bits = 8 * size;
  uint32_t low = uint32_t(uint64_t(v)) & ((uint32_t(1) << bits) - 1);
  if (type_arith(t) == ARITH_SIGNED && (low >> (bits - 1))) low |= ~((uint32_t(1) << bits) - 1);
  return int32_t(low);
}

bool is_const(const tree_node *t) { return t && t->op == OP_CONST; }
bool is_conversion(const tree_node *t) { return t && t->op == OP_CONV; }
bool is_fconst(const tree_node *t) { return t && t->op == OP_FCONST; }

double const_as_double(const tree_node *t) {
  if (t->op == OP_FCONST) return t->fvalue;
  return double(const_value(t));
}

bool is_floating(const tree_node *t) { return tree_arith(t) == ARITH_FLOAT; }

bool is_unsigned(const tree_node *t) {
  uint8_t a = tree_arith(t);
  return a == ARITH_UNSIGNED || a == ARITH_BIT;
}

void free_shell(tree_node *n) {
  n->left = n->right = nullptr;
  tree_node_free(n);
}

void take_place(tree_node *to, tree_node *from) {
  if (from->comment && !to->comment) {
    to->comment = from->comment;
    from->comment = nullptr;
  }
}

tree_node *give_way(tree_node *n, tree_node *replacement) {
  take_place(replacement, n);
  free_shell(n);
  fold_changed();
  return replacement;
}

// An operand that takes its node's place keeps the node's type: operands
// may have been left in other types of the same width.
static tree_node *in_node_type(tree_node *kept, ctype *type) {
  uint8_t from = tree_arith(kept), to = type_arith(type);
  if (from == ARITH_NONE || to == ARITH_NONE || tree_is_pointer(kept) || type_is_pointer(type)) return kept;
  if (from == to && tree_size(kept) == type_size(type)) return kept;
  return tree_convert_to(kept, type);
}

tree_node *keep_left(tree_node *n) {
  tree_node *l = n->left;
  ctype *type = n->type;
  if (op_is_binary(n->op)) tree_free(n->right);
  take_place(l, n);
  free_shell(n);
  fold_changed();
  return in_node_type(l, type);
}

tree_node *keep_right(tree_node *n) {
  tree_node *r = n->right;
  ctype *type = n->type;
  tree_free(n->left);
  take_place(r, n);
  free_shell(n);
  fold_changed();
  return in_node_type(r, type);
}
