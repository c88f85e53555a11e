#include "tests/support/test_support.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "common/alert.h"

std::string read_file(const std::string &path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

void write_file(const std::string &path, const std::string &text) {
  std::ofstream f(path, std::ios::binary);
  f << text;
  EXPECT_TRUE(f.flush().good()) << "cannot write " << path;
}

void write_file(const std::string &path, const std::vector<uint8_t> &data) {
  write_file(path, std::string(data.begin(), data.end()));
}

bool file_exists(const std::string &path) { return access(path.c_str(), F_OK) == 0; }

void write_files(const std::string &folder, const std::vector<scratch_file> &files) {
  for (const scratch_file &f : files) {
    std::filesystem::path p = std::filesystem::path(folder) / f.path;
    std::filesystem::create_directories(p.parent_path());
    write_file(p.string(), f.text);
  }
}

std::string make_scratch_dir(const std::string &prefix) {
  std::string tmpl = testing::TempDir() + prefix + "XXXXXX";
  char *dir = mkdtemp(tmpl.data());
  EXPECT_NE(dir, nullptr);
  return tmpl;
}

std::string staged_program(const std::string &name) { return std::string(TOVRA_STAGE) + "/bin/" + name; }

bool have_tool(const char *name) {
  std::string probe = std::string("command -v ") + name + " >/dev/null 2>&1";
  return std::system(probe.c_str()) == 0;
}

run_result run_in(const std::string &dir, const std::string &command, const std::string &input) {
  write_file(dir + "/.stdin", input);
  std::string line = "cd '" + dir + "' && ( " + command + " ) <.stdin >.stdout 2>.stderr";
  int raw = std::system(line.c_str());
  run_result r;
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1000;
  r.out = read_file(dir + "/.stdout");
  r.err = read_file(dir + "/.stderr");
  return r;
}

std::string msg_tag(int number) { return "(" + std::to_string(number) + ")"; }

// The number of the first "(digits)" in text, if any.
static bool first_tag(const std::string &text, unsigned *number) {
  for (size_t open = text.find('('); open != std::string::npos; open = text.find('(', open + 1)) {
    const char *digits = text.c_str() + open + 1;
    char *end;
    unsigned long n = strtoul(digits, &end, 10);
    if (end != digits && *end == ')' && *digits >= '0' && *digits <= '9') {
      *number = (unsigned)n;
      return true;
    }
  }
  return false;
}

std::vector<unsigned> message_numbers(const std::string &text) {
  std::vector<unsigned> numbers;
  std::istringstream lines(text);
  unsigned n;
  for (std::string line; std::getline(lines, line);)
    if (first_tag(line, &n)) numbers.push_back(n);
  return numbers;
}

std::vector<std::string> &captured_lines() {
  static std::vector<std::string> lines;
  return lines;
}

void capture_line(const char *line) {
  std::string text = line;
  if (!text.empty() && text.back() == '\n') text.pop_back();
  captured_lines().push_back(text);
}

void capture_messages() {
  static bool ready = false;
  if (!ready) {
    msg_load_file(TOVRA_STAGE "/dat/en_msgs.txt");
    msg_set_error_limit(1u << 30);
    ready = true;
  }
  captured_lines().clear();
  msg_set_output_hook(capture_line);
}

std::vector<unsigned> captured_numbers() {
  std::vector<unsigned> numbers;
  unsigned n;
  for (const std::string &line : captured_lines())
    if (first_tag(line, &n)) numbers.push_back(n);
  return numbers;
}
