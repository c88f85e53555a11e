// Building expression nodes: conversions, operand checks, constant folding.
#pragma once
#include "parser/expressions.h"

// Integral promotion and the usual arithmetic conversions.
type_t expr_promoted(const type_t &t);
// The default argument promotions: integral promotion, float to double.
type_t expr_argument_promoted(const type_t &t);
type_t expr_common_type(const type_t &a, const type_t &b);
// Array and function operands become pointers.
expr_node *expr_decay(expr_node *e);
// True for an lvalue (object identifier, member of one, indirection).
bool expr_is_lvalue(const expr_node *e);
// Qualifier bits of the object an lvalue of this type designates.
uint32_t expr_object_quals(const type_t &t);
// Pointer to a type (through a hidden typedef where one object cannot hold it).
type_t expr_pointer_to(const type_t &t);
// Size of a type as an expression of the given integer type: a constant,
// or a size node the code generator works out.
expr_node *expr_size_of(const type_t &t, const type_t &as);
// Folds a node whose operands are integer constants.
expr_node *expr_fold(expr_node *e);
