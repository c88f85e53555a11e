// Printf-style format checking of calls to functions named by
// "#pragma printf_check", and the feature masks of the formats they use.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

struct symbol;
struct expr_node;

// Expected types the scanner returns.
enum {
  PF_NONE = 0, PF_CHAR = 4, PF_SHORT = 6, PF_INT = 8, PF_LONG = 12, PF_LONGLONG = 14,
  PF_DOUBLE = 20, PF_POINTER = 33, PF_ERROR = 127, PF_CHAR_PTR = 132, PF_SHORT_PTR = 134,
  PF_INT_PTR = 136, PF_LONG_PTR = 140,
};

// With a format, starts a new scan; with null, continues. Returns the
// expected type of the next argument. Feature bits go to `printf_features`.
int printf_format_scan(const char *format, size_t length);
extern uint32_t printf_features;

// Checks the arguments of a call (args from the first one; `fixed` is the
// number of fixed parameters, the format being the last of them).
void printf_check_call(symbol *fn, std::vector<expr_node *> &args, size_t fixed);
