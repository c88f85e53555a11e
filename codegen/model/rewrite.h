// Statement rewriting: one statement of a function becomes the simple
// statements code selection covers: jumps and labels for &&, || and ?:,
// calls in arguments hoisted into temporaries, sequences split,
// post-increments split off, every statement simplified.
#pragma once
#include <cstdint>

struct symbol;
struct tree_node;
struct vec;

// Label bases of the constructs that make labels.
enum : int32_t {
  LABEL_LOGICAL_READ = 100000000,   // &&, || values whose target the condition reads
  LABEL_LOGICAL_END = 200000000,
  LABEL_LOGICAL_PLAIN = 300000000,  // &&, || values assigned to a plain target
  LABEL_CHOICE_BRANCH = 400000000,  // ?: values by branches
  LABEL_CHOICE_OVERWRITE = 500000000,
  LABEL_JUMP_AND = 600000000,       // $ on &&
  LABEL_STATEMENT_AND = 700000000,
  LABEL_STATEMENT_OR = 800000000,
  LABEL_STATEMENT_CHOICE = 900000000,
};
enum { REWRITE_ROUNDS = 10 };

// Appends the statements the tree becomes to the list; true when it was
// reduced to its operands' effects.
bool nodeRewrite(tree_node *tree, vec *list);
// $ of !(owner's left operand), to the label; the left is taken from the owner.
tree_node *jump_if_false(tree_node *owner, tree_node *label);
// A new label: from the current function's own numbers once it has been
// rebuilt, from the program's otherwise.
uint16_t label_new();
// The function's statements are rebuilt: they take its numbers from the first.
void label_restart(const symbol *f);
// The last number the program gave out; giving out from there again (labels
// of statements that are dropped).
uint16_t label_last();
void label_set_last(uint16_t last);
