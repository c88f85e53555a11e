// The assembly output buffer of codrel: every line of assembly text is built
// here and written at its newline, after any psect switch asked for while it
// was built; nothing is written while output is suppressed. The assertion
// report of the code generator and its interrupt handler sit beside it.
#pragma once
#include <string>
#include <vector>

// One character; a newline ends the line and writes it.
void out_putc(char c);
// The unfinished line (tests, and callers that must know whether a line is open).
const std::string &out_pending_line();
// Lines go to `sink` instead of standard output while it is set (tests).
void out_capture(std::string *sink);
// Finished lines are kept back from the output until out_release_held,
// which passes them through `transform` and writes them.
void out_hold();
void out_release_held(void (*transform)(std::vector<std::string> &lines));
// Reports a failed consistency check: a line on standard error, then message 1058.
void assert_fail(const char *expression, const char *file, int line);
#define CGEN_ASSERT(e) ((e) ? (void)0 : assert_fail(#e, __FILE__, __LINE__))
