// Reading assembly source: lines, labels, equates, instructions and
// directives, in one pass that places everything; then the encoding of every
// instruction and data item once all symbols are known.
//
// A line is [label[:]] [mnemonic or directive [operands]] [; comment]. A
// word ending in ":" is a label wherever it stands; a word in column 1 that
// is neither a mnemonic nor a directive is a label too; "name equ value" and
// "name set value" define names whatever the column.
#pragma once
#include <string>

#include "assembler/asm.h"

// Reads the whole source text; false when errors were reported.
bool asm_read_source(asm_state *st, const std::string &text);
// Encodes every item, checks overlaps and evaluates every equate; false
// when errors were reported.
bool asm_finish(asm_state *st);
// Points the message position at the source the "file" and "line" directives
// name for the current line (the compiler's C source), else at the assembly.
void asm_message_origin(asm_state *st);
// Splits an operand field at the commas outside parentheses and quotes.
std::vector<std::string> asm_split_operands(const std::string &text);
