// Shared by the tests of every folder: whole files, scratch folders, staged
// programs run through the shell with their output captured, and numbered
// messages read back from a program's output or captured in this process.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Whole files, byte for byte. A file that cannot be written fails the test.
std::string read_file(const std::string &path);
void write_file(const std::string &path, const std::string &text);
void write_file(const std::string &path, const std::vector<uint8_t> &data);
bool file_exists(const std::string &path);

// A file of a scratch folder, named by its path below the folder.
struct scratch_file {
  std::string path;
  std::string text;
};
// Writes each file below folder, making the folders its path names.
void write_files(const std::string &folder, const std::vector<scratch_file> &files);

// A fresh folder "<prefix>XXXXXX" in the test's temporary folder, left in
// place after the test.
std::string make_scratch_dir(const std::string &prefix);

// The staged program's path.
std::string staged_program(const std::string &name);
// Whether a command of that name is on the search path.
bool have_tool(const char *name);

struct run_result {
  int status;  // the exit status; -1000 when the program did not exit
  std::string out;
  std::string err;
};
// Runs "<command>" through the shell inside dir, standard input from the
// text given; its output goes through the files .stdin, .stdout and .stderr
// of dir.
run_result run_in(const std::string &dir, const std::string &command, const std::string &input = "");

// The numbered message's tag as the default layout shows it: "(n)".
std::string msg_tag(int number);
// The number of each line's first "(digits)", in order.
std::vector<unsigned> message_numbers(const std::string &text);

// Numbered messages reported in this process, kept as lines (without their
// newline) instead of being printed: capture_line is the output hook that
// keeps them. capture_messages loads the staged message file and lifts the
// error limit once, then starts a fresh capture.
void capture_line(const char *line);
std::vector<std::string> &captured_lines();
void capture_messages();
// The number of each captured line's first "(digits)", in order.
std::vector<unsigned> captured_numbers();
