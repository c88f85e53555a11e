// Pragmas: "#pragma" lines and the text of "-G" change the parser's state
// and become directive records for the code generator.
#pragma once
#include <cstdint>

struct symbol;

extern bool pragma_regarg;           // register arguments (on by default)
extern uint32_t pragma_string_quals; // qualifiers given to string literals
extern bool pragma_abs_active;       // "abs_address" in force
extern uint32_t pragma_abs_address;

void pragma_line(const char *text);
// Applies a stored attribute of the symbol's name (fastcall, interrupt
// handler, I/O port).
void pragma_apply(symbol *s);
