// Small helpers shared by the constant folder and the folding rules.
#pragma once
#include <cstdint>

#include "codegen/model/tree.h"
#include "codegen/model/types.h"

// Marks a rewrite.
inline void fold_changed() { tree_changed = true; }

// An integer constant's value as its type reads it: 4-byte unsigned values
// are not negative.
int64_t const_value(const tree_node *c);
// The value range of an integer type.
int64_t type_min_value(ctype *t);
int64_t type_max_value(ctype *t);
// v fits the integer type exactly.
bool value_fits(int64_t v, ctype *t);
// v wrapped into the integer type, as its constants hold it (no message).
int32_t value_in_type(int64_t v, ctype *t);
bool is_const(const tree_node *t);
bool is_conversion(const tree_node *t);
bool is_fconst(const tree_node *t);
// The number the node stands for, as a floating value.
double const_as_double(const tree_node *t);
bool is_floating(const tree_node *t);
bool is_unsigned(const tree_node *t);  // unsigned, pointer or bit
// Frees the node itself; its operands are the caller's.
void free_shell(tree_node *n);
// Replaces a node by its left operand (the rest of the node is freed).
tree_node *keep_left(tree_node *n);
tree_node *keep_right(tree_node *n);
// A node that took over another's place keeps its position and comment.
void take_place(tree_node *to, tree_node *from);
// The replacement takes the place of the node, whose shell is freed (its
// operands are the caller's); a rewrite.
tree_node *give_way(tree_node *n, tree_node *replacement);
