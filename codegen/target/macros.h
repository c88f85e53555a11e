// The PIC18 target macros of code templates (E and a number): bank
// selection, operand suffixes, the in-line delay, constant shifts of a
// byte, comparison with a constant and small per-function notes; the
// operator mnemonics of Q macros; code label numbers of the emitter.
#pragma once
#include <cstdint>
#include <string>

struct symbol;
struct tree_node;

// Writes the selection of `bank` unless the bank is already known to be
// selected; BANK_UNKNOWN selects the bank of `sym` by its name. True when
// a movlb line was written (or would be, while output is suppressed).
bool emit_bank_select(int32_t bank, symbol *sym);
// One target macro for the operand `n` at its pattern `level`; the result
// is the new pending byte index of the expander.
uint32_t emit_target_macro(tree_node *n, uint32_t number, uint32_t byte_index, uint32_t level);
// The instruction text for an operator at a template position (1 to 5);
// null where there is none.
const char *emit_op_mnemonic(uint32_t op, const tree_node *n, uint32_t position);
// Code label numbers of the emitter's own labels: 30001, 30002, ...
uint32_t emit_new_label();
// No value is kept in registers across its sibling's code: a statement
// that would need it saved (687) and restored (688) is refused with these.
void emit_save_regs();
void emit_restore_regs();
// A number as the assembler reads it in hexadecimal: always a leading digit ("0FFh").
std::string emit_hex(uint32_t value);

// The macros' own state; what they note for the file's end goes to the
// emitter and the memory model.
struct macro_notes {
  bool wreg_in_use;
  bool suppress_bank_select;
};
macro_notes &emit_macro_notes();
// Forgets the notes and label counter (a fresh program, and tests).
void macros_reset();
