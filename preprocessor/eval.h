// The #if, #elif and #assert expression: 32-bit values, "defined", and a
// "sizeof" over C type words whose sizes come from the -S option.
#pragma once
#include <cstdint>

#include "preprocessor/reader.h"

// Expands and evaluates the rest of the directive line (its newline read).
// True when the value is non-zero; true as well after any reported error.
bool pp_eval();

// Evaluates an expression already expanded.
bool pp_eval_text(const wtext &text);

// -S<n>,..., -S*<n>,... and -SP<n>,...: text is what follows "-S".
void pp_sizes_option(const char *option, const char *text);
void pp_sizes_reset();
