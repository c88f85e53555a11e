// In-process runs of forvane inside a scratch folder, with its numbered
// messages captured, and helpers that load debug descriptions directly.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "symconv/forvane.h"
#include "symconv/model.h"
#include "symconv/sdb.h"
#include "tests/support/test_support.h"

// What a writer puts on a stream.
inline std::string stream_text(const std::function<void(FILE *)> &write) {
  char *text = nullptr;
  size_t size = 0;
  FILE *out = open_memstream(&text, &size);
  write(out);
  fclose(out);
  std::string s(text, size);
  free(text);
  return s;
}

class ForvaneTest : public testing::Test {
 protected:
  std::string dir, previous_dir;

  void SetUp() override {
    capture_messages();
    forvane_reset();
    model_init();
    char here[4096];
    previous_dir = getcwd(here, sizeof here) ? here : "/";
    dir = make_scratch_dir("forvane_");
    ASSERT_EQ(chdir(dir.c_str()), 0);
  }
  void TearDown() override {
    forvane_reset();
    if (chdir(previous_dir.c_str())) {
    }
  }

  void write(const std::string &name, const std::string &text) { write_file(dir + "/" + name, text); }
  std::string read(const std::string &name) { return read_file(dir + "/" + name); }

  // forvane with these words (the program name comes first by itself).
  int run(const std::vector<std::string> &words) {
    std::vector<std::string> copies = {"forvane"};
    copies.insert(copies.end(), words.begin(), words.end());
    std::vector<char *> argv;
    for (std::string &w : copies) argv.push_back(w.data());
    argv.push_back(nullptr);
    return forvane_run(int(copies.size()), argv.data());
  }

  // The staged program run through the shell in the scratch folder.
  run_result program(const std::string &arguments) {
    return run_in(dir, "'" + staged_program("forvane") + "' " + arguments);
  }

  // Loads "<name>.sdb", written from the text, for the object "<name>.obj".
  sdb_record *load_sdb(const std::string &name, const std::string &text) {
    write(name + ".sdb", text);
    return sdb_load((name + ".obj").c_str());
  }

  bool captured(unsigned number) {
    for (unsigned n : captured_numbers())
      if (n == number) return true;
    return false;
  }
};
