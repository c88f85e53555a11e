// Runs a C program through the staged prevo and parsk and then codrel's
// whole-program model, and interprets the statements the model finally
// hands to code selection, at the target's sizes and byte order, with the
// data as the model writes it. Tests compare the volatile results with what
// C gives.
#pragma once
#include <string>
#include <vector>

// The C source compiled in a scratch folder and modelled in a child
// process; "name value" for each named object after main returns, or the
// messages and "failed: why" with the statements run. With `registers`,
// byte variables may be kept in spare registers.
std::string model_run_program(const std::string &source, const std::vector<std::string> &names, bool registers);
