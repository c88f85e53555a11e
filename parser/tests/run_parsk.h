// Runs the staged parsk on sources written to a scratch folder.
#pragma once
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/test_support.h"

struct parsk_run {
  int status = -1;
  std::string ic;                           // the intermediate code written
  std::string err;                          // standard error
  std::vector<int> numbers;                 // message numbers, in order
  std::map<std::string, std::string> files; // files read back after the run
  std::vector<std::string> format_errors;   // the format checker's findings
};

// Writes `source` to t.c and runs "parsk <args> t.c t.ic" (message file and
// -E1 always given) in a fresh folder. Extra files are written first; the
// files named in read_back are read after the run.
parsk_run run_parsk(const std::string &source, const std::string &args = "",
                    const std::vector<scratch_file> &extra = {},
                    const std::vector<std::string> &read_back = {});
// Runs a shell command line in a scratch folder holding the given files;
// "PARSK" and "PREVO" in it stand for the staged programs.
parsk_run run_command(const std::string &command, const std::vector<scratch_file> &files,
                      const std::vector<std::string> &read_back = {});
// The body of a run's output without its version line.
std::string ic_body_of(const std::string &ic);
