// Runs the staged prevo in a scratch folder holding the given files.
#pragma once
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/test_support.h"

struct prevo_result {
  int status;
  std::string out;      // standard output
  std::string err;      // standard error
  std::set<int> numbers;  // message numbers seen on standard error
  std::map<std::string, std::string> written;  // files asked for, as the run left them
};

// args are shell words; stdin_text, when given, is piped in; the files named
// in read_back are read after the run. The folder is removed afterwards.
prevo_result run_prevo(const std::vector<scratch_file> &files, const std::string &args,
                       const std::string *stdin_text = nullptr,
                       const std::vector<std::string> &read_back = {});
