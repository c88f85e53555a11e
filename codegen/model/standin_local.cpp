// The stand-in's target queries for the model's tests: they answer as the
// PIC18 target's do, except that the register a variable can be kept in is
// what a test steers (by default none, so variables stay in memory).
#include "codegen/model/ops.h"
#include "codegen/model/standin_target.h"
#include "codegen/model/symbols.h"
#include "codegen/model/target_services.h"
#include "codegen/model/tree.h"
#include "codegen/model/types.h"

uint32_t local_param_reg(symbol *param, uint32_t index) {
  return index == 0 && type_size(param->type) == 1 ? 1 : 0;
}

uint32_t local_reg_class_for(symbol *s, regset *set) {
  return standin_steer().reg_class ? standin_steer().reg_class(s, set) : 0;
}

bool local_is_const_address(const tree_node *t) {
  if (!t) return false;
  if (op_dope(t->op) & D_CONST) return true;
  if (t->op == OP_STRING) return false;
  auto is_static_address = [](const tree_node *n) {
    return n && n->op == OP_ADDR && n->left && n->left->op == OP_ID && n->left->sym->sclass > SC_REGISTER &&
           !(type_qualifiers(n->left->sym->type) & Q_NEAR);
  };
  if (is_static_address(t)) return true;
  return t->op == OP_ADD && is_static_address(t->left) && t->right && t->right->op == OP_CONST;
}

uint32_t local_node_class(const tree_node *t) {
  while (t->op == OP_CONV && t->left && tree_arith(t->left) == tree_arith(t) && tree_size(t->left) >= tree_size(t))
    t = t->left;
  if (t->op == OP_ADDR && t->left && t->left->op == OP_ID) return 12;
  if (op_dope(t->op) & D_CONST) return 0;
  if (tree_is_constant(t)) return 1;
  if (t->op == OP_DEREF && t->left && t->left->op == OP_ADD && t->left->left->op == OP_REG &&
      t->left->right->op == OP_CONST)
    return 2;
  return op_dope(t->op) & D_CLASS;
}

bool local_cheap_op(const tree_node *t) {
  uint32_t size = tree_size(t);
  bool floating = tree_arith(t) == ARITH_FLOAT;
  if ((t->op == OP_ADD || t->op == OP_SUB) && size == 4 && !floating) return true;
  if ((t->op == OP_SHL || t->op == OP_SHR) && size == 1)
    return t->right && t->right->op == OP_CONST && t->right->value == 1;
  if (t->op == OP_MOD || t->op == OP_MUL || t->op == OP_DIV) return false;
  if (size == 1 || floating) return false;
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

bool local_is_step_one(const tree_node *t) {
  return t->left && t->left->op == OP_ID && !t->left->sym->reg && t->right && t->right->op == OP_CONST &&
         t->right->value == 1;
}

