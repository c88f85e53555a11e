// Macros: the table, #define and #undef, the predefined names, and
// expansion with C's results (arguments expanded before they are substituted,
// "#" and "##" on the arguments as written, names met inside their own
// expansion left unexpanded for good).
#pragma once
#include <cstdint>

#include "preprocessor/reader.h"

enum {
  PP_OBJECT_LIKE = -1,
  PP_BUILTIN_LINE = -2,
  PP_BUILTIN_FILE = -3,
  PP_MAX_PARAMS = 31,
};

struct pp_macro {
  pp_macro *next;   // chain of equal table slot, by hash then name
  wch *body;        // body, PP_ENDEXP, terminator; null for the built-ins
  size_t body_len;  // without the PP_ENDEXP and the terminator
  int32_t hash;
  int32_t nparams;  // PP_OBJECT_LIKE, PP_BUILTIN_*, or the parameter count
  int active;       // expansions of it being read now
  bool plain;       // object-like without "##": its body is read as it stands
  wch name[1];      // cut to the significant length; allocated to fit
};

// Significant length of identifiers (31 to 255).
extern int pp_ident_limit;
// Directive lines end at their newline: a macro call cannot run past it.
extern bool pp_line_bounded;

// The identifier just read by pp_read_ident.
struct pp_ident_buf {
  wtext text;    // without leading PP_NOEXPAND markers
  bool painted;  // it carried PP_NOEXPAND: never expanded
};
extern pp_ident_buf pp_id;

// Reads an identifier whose first character c was just read; the character
// after it is given back.
void pp_read_ident(wch c);
bool pp_id_is(const char *word);

pp_macro *macro_find(const wch *name, size_t len);
// Replaces any entry of that name by a new empty one.
pp_macro *macro_install(const wch *name, size_t len);
// True when an entry was removed.
bool macro_remove(const wch *name, size_t len);
void macro_clear_all();

void macro_predefine();
void macro_define();   // the rest of a #define line
void macro_undef();    // the rest of an #undef line
void macro_define_option(const char *text);  // -D
void macro_undef_option(const char *name);   // -U

enum macro_result {
  MACRO_NOT_EXPANDED,  // the name stands as written
  MACRO_EXPANDED,      // its expansion is the current input
  MACRO_DROPPED,       // an error consumed the call
};
// Expands the macro whose name was just read (and is in pp_id).
macro_result macro_expand(pp_macro *m);

// Reads on with macro expansion to the end of the line or of the argument
// being expanded, collecting the text. With if_mode the name after
// "defined" stays as written.
void macro_expand_to(wtext &out, bool if_mode);

// End of the preprocessing token that starts at p (p < end).
const wch *pp_token_end(const wch *p, const wch *end);

// Copies a number whose first character c was read (a digit, or "." before a
// digit); the character after it is given back.
template <typename Put>
void pp_copy_number(wch c, Put put) {
  wch prev;
  for (;;) {
    put(c);
    prev = c;
    c = pp_getc();
    if (pp_is_ident(c) || c == '.') continue;
    if ((c == '+' || c == '-') && (prev == 'e' || prev == 'E')) continue;
    break;
  }
  if (c) pp_ungetc();
}

// True when the "." just read begins a number.
inline bool pp_dot_starts_number() {
  wch n = pp_getc();
  if (n) pp_ungetc();
  return pp_class(n) == CC_DIGIT;
}

// Copies a string or character constant whose opening quote q was read, to
// its closing quote or the end of the line (given back). A backslash before a
// newline joins the lines unless keep_splice (the output keeps them as
// written, so the line count stays in step). False when unterminated.
void pp_set_marker_pending();
template <typename Put>
bool pp_copy_literal(wch q, Put put, bool keep_splice) {
  put(q);
  bool closed = false;
  rd.raw = true;
  for (;;) {
    wch c = pp_getc();
    if (c == 0 || c == '\n') {
      if (c) pp_ungetc();
      break;
    }
    if (c == '\\') {
      wch n = pp_getc();
      if (n == 0) break;
      if (n == '\n' && !keep_splice) {
        pp_set_marker_pending();
        continue;
      }
      put(c);
      put(n);
      continue;
    }
    put(c);
    if (c == q) {
      closed = true;
      break;
    }
  }
  rd.raw = false;
  return closed;
}
