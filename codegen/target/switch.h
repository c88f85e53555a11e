// Switch statements: for each byte of the switch value a computed jump
// through a table of code addresses or a chain of compares, by a cost
// rule; values of two and four bytes are dispatched a byte pair at a time.
#pragma once
#include <cstdint>

struct tree_node;

struct case_entry {
  uint32_t label;
  int32_t value;
};

enum : uint32_t { SWITCH_MAX_CASES = 511 };
enum { SWITCH_AUTO = 0, SWITCH_SIMPLE = 1, SWITCH_SEARCH = 2, SWITCH_DIRECT = 3 };

// The whole switch statement of a switch node (value left, case chain right).
void emit_switch_statement(tree_node *n);
// A one-byte value held in W.
void emit_switch_table(case_entry *cases, uint32_t n, uint32_t default_label, int strategy);
// The byte pair first_byte, first_byte + 1 of a value of `size` bytes, the
// left operand of the switch node `node`.
void emit_switch_wide(case_entry *cases, uint32_t n, uint32_t default_label, int strategy, tree_node *node,
                      uint32_t first_byte, uint32_t size);
// Ascending by value; false (message 695) on two equal values.
bool emit_case_sort(case_entry *cases, uint32_t n);
