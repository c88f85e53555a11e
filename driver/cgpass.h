// The code generator pass, run once over every intermediate file of the
// program (after a printf analysis run when the C library is linked), and
// the choice of the p-code libraries that complete the program.
#pragma once
#include <string>
#include <vector>

struct arglist;

// `output` is the output base (ending in ".") or, in analysis mode, the file
// for the printf feature list; `inputs` the intermediate files followed by
// the p-code libraries of the command line.
bool pass_codegen(const std::string &output, const std::vector<std::string> &inputs, bool analysis);
void codegen_target_args(arglist *list);
std::vector<std::string> device_libraries();
// "pic8", a digit (+2 unless the lfsr work-around, +4 with 4000), "l", then
// "d" for 32-bit doubles or "-".
std::string lib_variant_prefix();
// A user or C p-code library's file, empty unless the C library is linked.
std::string pcode_lib_name(const char *name);
// The file itself when it exists, else that name in the installation's lib folder.
std::string installed_library(const std::string &name);
