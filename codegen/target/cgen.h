// Code selection: covering a statement tree with patterns under the free
// registers (first fitting candidate in list order, no costs), and the
// rewriting of operations that run-time routines perform into calls of
// them. The entry points the program model calls are in target_services.h.
#pragma once
#include <cstdint>
#include <string>

struct tree_node;
struct iset;
typedef iset regset;

// Failure bits of cgen_select; 0 is success.
enum : uint32_t { SEL_SHAPE = 1, SEL_REGS = 2, SEL_PLACE = 4, SEL_NONE_FIT = 7 };

uint32_t cgen_select(tree_node *n, uint32_t goal, const regset *allowed, const regset *live, const regset *wanted);
// Pinned sets and operand-order flags of a tree before selection; own
// registers go into `in_use`.
void cgen_mark_tree(tree_node *t, regset *in_use);
bool pat_predicates_hold(uint32_t pattern, const tree_node *n);
// Where the value of the node's top level lies (0: nowhere).
uint32_t cgen_result_reg(tree_node *n);
// The value registers of a node (recomputed from its operands when it has no levels).
const regset *cgen_tree_used(tree_node *n);

// One pass of rewriting: the new tree, or null when nothing was rewritten.
tree_node *cgen_rewrite(tree_node *n);
// A rewrite text with the node's macros replaced; the buffer is reused by the next call.
const char *cgen_subst_text(const tree_node *n, const char *text);

// The selection trace of -D: what each statement was matched with.
std::string cgen_describe(const tree_node *t);
