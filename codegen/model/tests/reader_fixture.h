// In-process runs of codrel's reader for its tests: intermediate files and
// p-code libraries written to a scratch folder and read the way the program
// reads them, with messages captured and the stand-in's output kept.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codegen/model/tests/model_support.h"

struct symbol;
struct tree_node;

extern const char IC_VERSION[];  // the version line the parser writes

// One module of a test library: its text (the version line is added), the
// names its directory says it defines, and names with a non-zero flag.
struct test_module {
  std::string name;
  std::string text;
  std::vector<std::string> defines;
  std::vector<std::string> refers = {};
};

class ReaderTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Writes a file into the scratch folder; its path.
  std::string write(const std::string &name, const std::string &text);
  // Writes each text as an intermediate file (version line first) and reads
  // the program (lex_read_inputs) from them and the given libraries.
  void read_program(const std::vector<std::string> &texts, const std::vector<std::string> &libraries = {});
  // A p-code library of the modules, scrambled as the librarian stores them.
  std::string library(const std::string &name, const std::vector<test_module> &modules);
  // The statements of a function as read, one per line (rebuilt from the
  // node lists kept for the optimiser).
  std::string stored_statements(const char *function);
  // A global object or function by name, file-level statics included (their
  // scope is closed once the input is read).
  symbol *global(const char *name);
  std::string dir;
};
