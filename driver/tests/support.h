// Shared by the driver tests: a private registry pointing at the staged
// installation, captured message lines, scratch folders, in-process driver
// runs and runs of the staged tovra18 program.
#pragma once
#include <string>
#include <vector>

#include "tests/support/test_support.h"

// Message lines reported while an instance lives.
class message_capture {
 public:
  message_capture();
  ~message_capture();
  const std::vector<std::string> &lines() const;
  // The numbers of the numbered messages, in order.
  std::vector<unsigned> numbers() const;
  std::string text() const;
  void clear();
};

// A fresh folder, removed with its files; the current folder while it lives
// when asked.
class scratch_dir {
 public:
  explicit scratch_dir(bool enter = false);
  ~scratch_dir();
  const std::string &path() const { return path_; }
  std::string file(const std::string &name, const std::string &contents) const;

 private:
  std::string path_;
  std::string previous_;
};

// The staged chip database.
std::string staged_chip_db();

// Clears the driver's state, then runs start-up, option reading and the
// option checks as tovra18 would, with the messages going to the capture.
void run_driver_options(const std::vector<std::string> &args);

struct program_run {
  int status;
  std::string output;  // standard output and standard error together
};
// Runs the staged tovra18 in a folder (a scratch one by default) with a
// registry store of its own unless one is named; with a time limit, a run
// that outlasts it is killed (its status is then neither 0 nor 1).
program_run run_tovra18(const std::vector<std::string> &args, const std::string &folder = "",
                        const std::string &registry = "", int time_limit_seconds = 0);

// Numbers of the numbered messages in a program's output, from the tags
// where the default layout puts them: "(n) " at a line's start or after the
// "file: line: " context. The driver's output carries passes' output and
// file names as well, where a "(digits)" is no message.
std::vector<unsigned> tag_numbers(const std::string &output);
bool has_message(const std::string &output, unsigned number);
