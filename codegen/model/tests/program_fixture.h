// Whole programs for the tests of the whole-program phases: intermediate
// code read into functions with stored statements, objects classed into the
// optimiser's lists, and optim_program run with its output captured.
#pragma once
#include <string>
#include <vector>

struct symbol;

// Reads intermediate-code records: declarations, scopes, "[e" statements of
// function bodies (rewritten and stored as the reader does), "[p l n ]"
// interrupt levels and "[f ]". A "}" back at file level completes the
// function. Objects declared at file level join the list of uninitialised
// data unless moved with program_object.
void program_read(const char *text);
// Puts an object on one of the optimiser's lists (OBJ_ values).
void program_object(const char *name, unsigned list);
// Runs the optimiser; the text it writes.
std::string program_run(int *status = nullptr);
// The lines of a text that begin with one of the prefixes (after a tab).
std::vector<std::string> lines_starting(const std::string &text, std::vector<std::string> prefixes);
symbol *program_symbol(const char *name);
