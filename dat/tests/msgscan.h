// Reads message description files and finds, in the programs' sources, the
// numbered messages they raise, so tests can hold the two together.
#pragma once
#include <map>
#include <set>
#include <string>
#include <vector>

// ---- message description files ----

struct msgfile_line {
  unsigned number;
  std::string kind;  // the kind token as written
  std::string text;
  int line;          // line in the file, from 1
};

struct msgfile {
  std::map<unsigned, msgfile_line> lines;
  std::vector<std::string> problems;  // malformed, duplicate or unsorted lines
};

msgfile msgfile_parse(const std::string &contents, const std::string &name);
msgfile msgfile_read(const std::string &path);

// One printf conversion of a message text.
struct printf_conv {
  std::string spec;  // as written, from "%" to the conversion letter
  char letter;
  std::string length;  // "", "h", "hh", "l", "ll", "z", ...
  int stars;           // "*" width or precision: each takes an int argument
};

// The conversions in order; "%%" is left out, "%m" kept (it takes no argument).
std::vector<printf_conv> printf_conversions(const std::string &text);
// Arguments the text consumes.
int printf_argument_count(const std::string &text);

// ---- sources ----

// What the scanner can tell of an argument expression at a call site.
enum arg_class { ARG_UNKNOWN, ARG_STRING, ARG_INT, ARG_LONG, ARG_LONG_LONG, ARG_DOUBLE };

struct source_file {
  std::string path;    // relative to the source tree, for reports
  std::string folder;  // the program folder it belongs to (first path component)
  std::string text;
};

// A place where a message number is raised.
struct raise_site {
  unsigned number;
  std::string path;
  int line;
  std::string via;               // the wrapper chain, "" for a direct call
  std::vector<arg_class> args;   // the printf arguments passed with it
  bool args_known;               // false when they come as a va_list
};

// A numbered call whose number the scanner could not work out.
struct unresolved_site {
  std::string path;
  int line;
  std::string expression;  // the number's expression, blanks removed
};

struct scan_result {
  std::vector<raise_site> raises;
  std::vector<unresolved_site> unresolved;
};

scan_result scan_sources(const std::vector<source_file> &files);

// The C++ sources of the program folders below root, tests left out.
std::vector<source_file> collect_sources(const std::string &root);
