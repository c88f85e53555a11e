// The call graph's bookkeeping that tree construction feeds while the
// program is read.
#pragma once
#include <cstdint>

struct symbol;
struct vec;

// A called function without a body joins the list of such functions (once).
void cg_note_callee(symbol *s);
vec *cg_functions_without_body();
void cg_reset();

// True when running a call of `inner` could overwrite bytes of `outer`'s
// parameter area that earlier arguments have filled, at argument offset
// `offset`. Arguments moved to the front of a call are evaluated before any
// other argument is stored, so no earlier argument can be overwritten.
bool cg_args_overlap(symbol *inner, symbol *outer, uint32_t offset);
