// Directive lines: conditionals, includes, definitions, #line, #pragma and
// #asm blocks, #error, #warning and #assert.
#pragma once
#include <string>
#include <vector>

struct hash_table;

enum { PP_MAX_INCLUDE_DIRS = 255, PP_MAX_CONDITIONALS = 31 };

struct pp_directive_state {
  std::vector<std::string> include_dirs;
  hash_table *included;  // paths of the headers opened, for the dependency list
  bool active;           // lines are processed (not skipped)
};
extern pp_directive_state dir;

// Creates the included-file set.
void pp_directives_begin();
// Handles the line after its "#" and returns the new count of owed empty lines.
int pp_directive(int pending);
// Whether the identifier just read (pp_id) names a directive.
bool pp_id_names_directive();
// Line of the outermost conditional still open, or 0.
int pp_open_conditional_line();
void pp_directives_reset();
