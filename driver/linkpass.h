// The assembler pass and the two link stages. The program is linked twice: a
// prelink, whose symbol file tells the start-up writer what the program
// needs, then the final link with the start-up module written from it.
#pragma once
#include <string>

struct arglist;

// `base` ends in "."; `user` marks the user's sources and a kept start-up
// module (false for the code generator's output).
bool pass_assemble(const std::string &base, const char *source, bool user);
void assembler_target_args(arglist *list);
// Prelink then final link; true when both succeed.
bool link_stages();
bool pass_link(bool prelink, const std::string &startup_base);
void link_placement(arglist *list);
void link_placement_final(arglist *list);
// Places the functions the program gives absolute addresses (from the
// second call of a run on, so only the final link gets them).
void absolute_psect_placement(arglist *list);
