// The intermediate-code reader: every input of the program (plain files,
// p-code library modules and replacement texts) goes through one record
// loop that declares symbols and types, reads function bodies statement by
// statement, keeps string literals and initialisers, and obeys directives.
#pragma once
#include <cstdint>

struct lex_stream;
struct vec;

// C labels live above every label the code generator makes itself (its own
// code labels from 30001, the rewriting's from 100000000 to 999999999), so
// that no number of files and labels lets the two meet.
enum : int32_t { LABEL_C_FIRST = 1000000000 };

// Reads every input of the list (paths ending in ".lpp" are libraries, read
// after the plain inputs for what they still need), or standard input when
// the list is null; then pools the string literals and classes the objects.
void lex_read_inputs(vec *paths);
// One input: a version line, then records, in a scope of its own; the label
// bases then move past every number it used.
void lex_read_file(lex_stream *s);
// Records until the end of the stream.
void lex_read_records(lex_stream *s);
// An assembly line or comment ("[;" read): a statement of the function being
// read, or written at once outside functions.
void lex_assembly_record(lex_stream *s);
// One prefix expression of a record as the node list it is read into (the
// form tree_rebuild takes), its label and string numbers offset by the
// file's bases. `first` is its first token when that was read already;
// *closed tells that the record's "]" came where an operand was due.
vec *lex_read_expression(lex_stream *s, const char *first, bool *closed);

// The numbers that the next file's string and jump labels are offset by.
int64_t lex_string_base();
int64_t lex_jump_base();

// Forgets everything read (a fresh program).
void reader_reset();
