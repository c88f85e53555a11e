// The two side files of codrel: the debug description file ("sdb") that the
// symbol converter reads for the program's types, variables, functions and
// source positions, and the printf feature list the driver reads to build
// the library's printf with only the features the program uses.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

struct ctype;
struct symbol;

// Opens the debug file for writing; false when it cannot be created.
bool sdb_open(const char *path);
// Closes it; false when the close failed.
bool sdb_close();
bool sdb_is_open();

// The mode, version, edition and chip records.
void sdb_write_header();
// A line marker for the current position when it changed.
void sdb_line_marker();
// The type text of a type, from its back-quote to its closing blank.
std::string sdb_type_text(ctype *t);
// An object's or function's record (nothing for compiler-made symbols, or
// for locals not yet placed).
void sdb_write_variable(symbol *s);
// A typedef's record.
void sdb_write_type_name(symbol *s);
// A struct, union or enum tag's record, with its members or enumerators.
void sdb_write_tag(symbol *tag);
// A function's scope: its record and "{"; at its end "}" with its autos size.
void sdb_open_function(symbol *f);
void sdb_close_function(symbol *f, int end_line, uint32_t autos_size);

// One line "name<tab>word" per object or function with printf features.
void sym_write_feature_list();

void sdb_reset();
