// Pattern predicates: numbered tests on the node being matched and its
// children (numbers and names in prednames.h).
#pragma once
#include <cstdint>

#include "codegen/target/prednames.h"

struct tree_node;

// Predicate `number` on the node; a number without a test reports 689 and
// is false.
bool pred_eval(uint32_t number, const tree_node *t);
// A predicate word of a pattern: the number, PRED_NEGATE for "does not hold".
bool pred_word_holds(uint32_t word, const tree_node *t);
