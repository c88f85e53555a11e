// The typed constructor of operator nodes: C types, heights, pointer
// targets and register sets, with the conversions and rewrites the language
// and the target need at construction time.
#pragma once
#include <cstdint>

struct ctype;
struct tree_node;

// Builds op over its operands (right null for unary codes); the operands
// belong to the result, which may be another tree than a new node.
tree_node *tree_build(uint32_t op, tree_node *left, tree_node *right);
// e converted to the type of node t (t is not consumed).
tree_node *tree_convert(tree_node *e, const tree_node *t);
tree_node *tree_convert_to(tree_node *e, ctype *type);
tree_node *tree_const_typed(int32_t n, ctype *type);
// a . m as *(&a + offset).
tree_node *tree_member_address(tree_node *dot);
ctype *tree_index_type(const tree_node *p, uint8_t arith);
// Replaces an identifier by its known value where that is allowed.
tree_node *tree_subst_ident(tree_node *t);
// The base of an assigned object, through bit-fields, members and
// *(&x + offset).
tree_node *tree_assigned_base(tree_node *t);
