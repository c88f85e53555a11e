// The folding rules the simplifier applies to every node each round: the
// rules common to all operators, then those of each operator.
#pragma once
#include <cstdint>

struct tree_node;

// The node or its replacement.
tree_node *tree_fold(tree_node *node);
// Operand order of a commutative operator: constants and other low operand
// classes to the right; associative chains regrouped.
tree_node *tree_commute(tree_node *node);
// A term of a sum: the subtree times its coefficient.
tree_node *tree_term(tree_node *subtree, int64_t coefficient);

// Operations of the per-operator rules.
tree_node *tree_fold_operator(tree_node *node);
tree_node *tree_fold_conversion(tree_node *node);
tree_node *tree_to_conversion(tree_node *node);
tree_node *tree_replace_by_const(tree_node *node, int32_t value);
tree_node *tree_cancel_address(tree_node *node);
tree_node *tree_strength(tree_node *node);
tree_node *tree_not(tree_node *node);

// A statement x = a op b (or each of a sequence of them) as x = a; x op= b
// when both steps are done in x: (x << 1) ^ k is one shift and one xor in
// place. Only a statement's own root: inside one, the store would move past
// what the statement does before it.
tree_node *fold_split_statement(tree_node *statement);
