// The prevo program: command line, the main line loop, the dependency list
// and the exit routine.
#pragma once
#include <cstdio>
#include <string>

#include "preprocessor/reader.h"

struct pp_program_state {
  bool keep_comments;   // -C
  int echo_level;       // -E<digit>
  std::string source_name;  // -F
  std::string input_path;
  FILE *list;           // the file list (-L, -L<file>, -LM-<file>), or null
  bool list_is_stdout;
  bool make_style;      // -LM-
  std::string dep_name; // the file named after -L / -LM-
  bool emax_given;
};
extern pp_program_state prog;

// Runs prevo with a command line; ends through prog_exit.
[[noreturn]] void prevo_main(int argc, char **argv);
// Writes the dependency list, closes the output and exits.
[[noreturn]] void prog_exit(int status);

// Copies the rest of a text line to the output, macro-expanded, from its
// first character c through its newline; at_line_start when c begins the
// line, where a "#" that a macro made is worth a warning.
void pp_copy_line(wch c, bool at_line_start);
