#include "codegen/target/local.h"

#include <utility>

#include "codegen/model/ops.h"
#include "codegen/model/symbols.h"
#include "codegen/model/tree.h"
#include "codegen/model/types.h"

namespace {

bool is_static_address(const tree_node *n) {
  return n && n->op == OP_ADDR && n->left && n->left->op == OP_ID && n->left->sym &&
         n->left->sym->sclass > SC_REGISTER && !(type_qualifiers(n->left->sym->type) & Q_NEAR);
}

}  // namespace

bool local_cheap_op(const tree_node *t) {
  uint32_t size = tree_size(t);
  bool floating = tree_arith(t) == ARITH_FLOAT;
  if ((t->op == OP_ADD || t->op == OP_SUB) && size == 4 && !floating) return true;
  if ((t->op == OP_SHL || t->op == OP_SHR) && size == 1)
    return t->right && t->right->op == OP_CONST && t->right->value == 1;
  if (t->op == OP_MOD || t->op == OP_MUL || t->op == OP_DIV) return false;
  if (size == 1 || floating) return false;
  // The first operand down the left spine that is not a conversion decides.
  for (const tree_node *n = t->left; n; n = n->left) {
    if (n->op == OP_CONV) continue;
    if (tree_arith(n) == ARITH_FLOAT) return false;
    switch (n->op) {
      case OP_ID:
      case OP_MOD:
      case OP_MUL:
      case OP_CALL:
      case OP_DIV:
      case OP_CALLRESULT:
        return false;
    }
    return true;
  }
  return true;
}

tree_node *local_canon_compare(tree_node *t) {
  if (t->op != OP_GT && t->op != OP_LE) return t;
  t->op = t->op == OP_GT ? OP_LT : OP_GE;
  std::swap(t->left, t->right);
  return t;
}

bool local_is_const_address(const tree_node *t) {
  if (!t) return false;
  if (op_dope(t->op) & D_CONST) return true;
  if (t->op == OP_STRING) return false;
  if (is_static_address(t)) return true;
  return t->op == OP_ADD && is_static_address(t->left) && t->right && t->right->op == OP_CONST;
}

uint32_t local_node_class(const tree_node *t) {
  while (t->op == OP_CONV && t->left && tree_arith(t->left) == tree_arith(t) && tree_size(t->left) >= tree_size(t))
    t = t->left;
  if (t->op == OP_ADDR && t->left && t->left->op == OP_ID) return 12;
  if (op_dope(t->op) & D_CONST) return 0;
  if (tree_is_constant(t)) return 1;
  if (t->op == OP_DEREF && t->left && t->left->op == OP_ADD && t->left->left && t->left->left->op == OP_REG &&
      t->left->right && t->left->right->op == OP_CONST)
    return 2;
  return op_dope(t->op) & D_CLASS;
}

bool local_is_step_one(const tree_node *t) {
  if (!t->left || t->left->op != OP_ID || !t->left->sym || sym_held_reg(t->left->sym) || !t->right) return false;
  // A float steps by 1.0: its x++ becomes x += 1.0, which is a call.
  if (t->right->op == OP_FCONST) return t->right->fvalue == 1.0;
  return t->right->op == OP_CONST && t->right->value == 1;
}

local_rewrite_fn local_null_hook() { return nullptr; }
