// A checker of the intermediate-code format: every record, line record,
// scope line, type signature and prefix expression of a file. Returns one
// text per finding (empty when the file is well formed).
#pragma once
#include <string>
#include <vector>

std::vector<std::string> ic_check(const std::string &text);
// Single pieces, for the checker's own tests.
bool ic_check_signature(const std::string &token);
bool ic_check_expression(const std::string &text);
