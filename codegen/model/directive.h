// The directive records ("[p") of the intermediate code: pragmas that reach
// the code generator (interrupt levels, switch strategies, psect renames,
// registers used, call names and sizes, message states, printf features).
#pragma once

struct lex_stream;

enum { PSECT_RENAMES = 30 };

// Reads one directive after its "[p", up to and including its "]".
void lex_directive(lex_stream *s);
// The new name of a renamed psect, or the name itself.
const char *psect_rename(const char *name);
// The return offset of the "r" directive (0 when none was given).
unsigned directive_return_offset();
void directive_reset();
