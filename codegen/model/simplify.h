// The tree simplifier: a canonicalising walk, then rounds of constant
// folding and the folding rules until nothing changes, then jumps on
// constant conditions and bit-field assignments at the root.
#pragma once
#include <cstdint>

struct tree_node;

tree_node *tree_simplify(tree_node *tree);
// One post-order walk of constant folding.
tree_node *tree_fold_constants(tree_node *tree);
// The rounds the simplifier runs at most.
enum { SIMPLIFY_ROUNDS = 9 };

// A message about the whole statement, reported once at its end (the last
// one stored wins).
void simplify_pend(unsigned number);
unsigned simplify_pending();
// The current function is library code: no warnings about its statements.
bool simplify_in_library();
