// The front-end passes run for each C source: the numbered listing, the
// preprocessor and the parser, with the macros, type sizes and qualifiers
// that describe the target to them; and the rewriting of the prototype file.
// BASE below is a source's base name in the object folder, ending in ".".
#pragma once
#include <string>

struct arglist;

// Each builder runs its pass and returns whether it succeeded.
bool pass_listing(const std::string &base, const char *source);
bool pass_preprocess(const std::string &base, const char *source);
bool pass_parse(const std::string &base);

void pp_target_args(arglist *list);
void parser_target_args(arglist *list);

// The prototype file BASE.pro sorted and rewritten with prototype and
// old-style blocks for extern and static functions.
void proto_rewrite(const std::string &base);
// A prototype line in old style: the parameter list closing before its last
// ";" becomes "()"; unchanged when its parentheses do not balance.
std::string proto_old_style(const std::string &line);
