// Whole programs for the tests of the whole-program phases: intermediate
// code read into functions with stored statements, objects classed into the
// optimiser's lists, and optim_program run with its output captured.
#pragma once
#include <string>
#include <vector>

struct symbol;

// Reads intermediate-code records: declarations, scopes, "[e" statements of
// function bodies (rewritten and stored as the reader does), "[;" assembler
// lines, "[p l n ]" interrupt levels, "[p m ]" and "[f ]". A "}" back at file level completes the
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

// A random call graph as intermediate code: functions _f0 (which is _main)
// to _f<n-1>, calls only from lower to higher numbers, interrupt functions
// among the first after main; each function has autos and parameters of
// random sizes that it really uses (through the volatile _sink).
struct random_graph {
  unsigned functions = 0;
  std::vector<std::vector<unsigned>> calls;  // callees of each function
  std::vector<unsigned> interrupt_level;     // 0: not an interrupt function
  std::string text;
};
random_graph random_program(unsigned seed, unsigned functions, unsigned interrupts);
