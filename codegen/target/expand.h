// Code emission: the walk of a covered statement tree in evaluation order
// and the expansion of each chosen pattern's template, with its macros
// replaced by operand texts, register names, bytes of values, labels and
// stack offsets, into the assembly output buffer.
#pragma once
#include <cstdint>
#include <string>

struct tree_node;

void cgen_emit_code(tree_node *n);
void cgen_expand(tree_node *n, const char *text, uint32_t level);
void cgen_emit_trailing(tree_node *n);
// The address text of temporary `temp` in the current function.
std::string cgen_temp_text(uint32_t temp);
int32_t cgen_sign_extend(const tree_node *n, int32_t value);
// Forgets the per-statement expansion state (pending selection, comment, deferred text).
void expand_reset_statement();
// The largest temporary area one statement used since the counters were reset.
uint32_t expand_temps_high();
void expand_reset_counters();
// The operator's name in templates and routine names ("add", "sub", ...).
const char *cgen_operator_name(uint32_t op);
