// Loading the p-code library modules a program needs: every module that
// defines a symbol still declared but not defined, or a name wanted by the
// command line, assembler text or code templates, is read through the same
// record loop as the plain inputs, until a pass over all modules loads none.
#pragma once

struct lex_stream;
struct vec;

typedef bool (*lib_need_fn)(const char *name);
typedef void (*lib_read_fn)(lex_stream *s);

// Libraries by path, in command-line order.
void lib_load_modules(vec *paths, lib_need_fn needed, lib_read_fn read);
// True for a name a module should define: a symbol declared but not defined,
// or, when there is no symbol of the name, a wanted name.
bool lib_name_needed(const char *name);
