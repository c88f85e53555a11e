// Declarations and declarators: specifiers, the declarator grammar, hidden
// typedefs, parameter lists, structure/union/enumeration specifiers, and
// what a declaration writes (records, initialisers, local assignments).
#pragma once
#include <cstdint>
#include <vector>
#include "parser/types.h"

struct symbol;
struct token;

// Result of one declaration's specifier list.
struct decl_spec {
  int storage;       // storage class keyword code, 0 none
  type_t type;
  bool any;          // something was given
  bool type_given;   // a type keyword or typedef name was given
  bool signed_keyword;  // "signed" written
};

enum decl_context {
  DC_FILE,      // file scope
  DC_LOCAL,     // inside a function body
  DC_PARAM,     // a prototype parameter
  DC_OLDPARAM,  // the declaration list of an old-style definition
  DC_MEMBER,    // a structure or union member
  DC_TYPENAME,  // casts and sizeof
};

bool decl_starts(const token &t);
bool decl_parse_specifiers(decl_spec &spec, int context);
// A type name (casts, sizeof): specifiers and an abstract declarator.
type_t decl_type_name();
// One declaration at file scope or in a block, up to and including ";".
void decl_list(int context);
// File scope: one external declaration or function definition.
void decl_external();
// Parameter symbols of the function being defined (for the prototype file).
extern std::vector<symbol *> decl_params;
void decl_mark_live(void (*mark)(symbol *));
// Adds qualifier bits to a function's type (function qualifiers such as
// interrupt go on a reference to a hidden typedef of the function type).
type_t decl_qualify_function(const type_t &t, uint32_t bits);
