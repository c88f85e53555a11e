// Helpers of the end-to-end tests: a scratch folder, source files written
// into it, and the staged programs (and outside tools) run in it.
#pragma once
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace e2e {

struct folder {
  std::string path;
  folder() {
    char templ[] = "/tmp/tovra_e2e_XXXXXX";
    path = mkdtemp(templ);
  }
  ~folder() {
    std::string cmd = "rm -rf '" + path + "'";
    if (system(cmd.c_str())) {
    }
  }
  folder(const folder &) = delete;
  folder &operator=(const folder &) = delete;
  std::string operator/(const std::string &name) const { return path + "/" + name; }

  void write(const std::string &name, const std::string &text) const { write_file(*this / name, text); }
  std::string read(const std::string &name) const { return read_file(*this / name); }
  bool exists(const std::string &name) const { return file_exists(*this / name); }

  // Runs a shell command line in the folder; its exit status, with standard
  // output and standard error kept in the files "out" and "err".
  int run(const std::string &command) const {
    std::string cmd = "cd '" + path + "' && (" + command + ") > out 2> err";
    int raw = system(cmd.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  }
};

// The staged program of that name, quoted for a command line.
inline std::string program(const std::string &name) { return "'" + staged_program(name) + "'"; }

using ::have_tool;

}  // namespace e2e
