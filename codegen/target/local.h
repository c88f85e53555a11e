// The target's answers to the tree rewriter: pure functions of a node. The
// ones the program model calls are declared in target_services.h, with the
// register questions of localreg.cpp.
#pragma once
#include <cstdint>

#include "codegen/model/target_services.h"

// ">" becomes "<" and "<=" becomes ">=" by swapping the operands, in place;
// answers the node.
tree_node *local_canon_compare(tree_node *t);
// The simplifier's optional target rewrite: none on this target.
typedef tree_node *(*local_rewrite_fn)(tree_node *);
local_rewrite_fn local_null_hook();
