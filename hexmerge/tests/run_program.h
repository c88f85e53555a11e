// Runs a staged program in a scratch folder and captures what it wrote.
#pragma once
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

struct run_result {
  int status;
  std::string out;
  std::string err;
};

inline std::string read_file(const std::string &path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

inline void write_file(const std::string &path, const std::string &text) {
  std::ofstream f(path, std::ios::binary);
  f << text;
}

// A fresh folder for one test.
inline std::string scratch_dir() {
  std::string tmpl = testing::TempDir() + "hexmerge-XXXXXX";
  char *dir = mkdtemp(tmpl.data());
  EXPECT_NE(dir, nullptr);
  return tmpl;
}

inline std::string program(const char *name) { return std::string(TOVRA_STAGE) + "/bin/" + name; }

// Runs "<command>" through the shell inside dir; standard input from the
// text given.
inline run_result run_in(const std::string &dir, const std::string &command,
                         const std::string &input = "") {
  write_file(dir + "/.stdin", input);
  std::string line = "cd '" + dir + "' && ( " + command + " ) <.stdin >.stdout 2>.stderr";
  int raw = std::system(line.c_str());
  run_result r;
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1000;
  r.out = read_file(dir + "/.stdout");
  r.err = read_file(dir + "/.stderr");
  return r;
}

// The numbered message's tag as the default layout shows it.
inline std::string msg_tag(int number) { return "(" + std::to_string(number) + ")"; }
