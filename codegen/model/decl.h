// The declaration records of the intermediate code: "[v" (objects,
// functions, parameters, autos, typedefs), "[s" and "[u" (structs and
// unions), "[c" (enumerations) and "[n" (source names of a tag and its
// members). Each handler is called after its opening token and reads up to
// and including the closing "]".
#pragma once

struct lex_stream;

void decl_var(lex_stream *s);
void decl_struct(lex_stream *s, bool is_union);
void decl_enum(lex_stream *s);
void decl_names(lex_stream *s);
// Forgets the named structs (a fresh program).
void decl_reset();
