#include "support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <unistd.h>

#include "common/alert.h"
#include "common/lists.h"
#include "common/registry.h"
#include "driver/driver.h"
#include "driver/memory.h"
#include "driver/option_table.h"
#include "driver/options.h"
#include "driver/state.h"

namespace fs = std::filesystem;

message_capture::message_capture() {
  captured_lines().clear();
  msg_set_output_hook(capture_line);
}

message_capture::~message_capture() { msg_set_output_hook(nullptr); }

const std::vector<std::string> &message_capture::lines() const { return captured_lines(); }

// The "(n) " prefix of a message line stands at its start or after the
// "file: line: " context.
std::vector<unsigned> tag_numbers(const std::string &output) {
  std::vector<unsigned> numbers;
  size_t start = 0;
  while (start < output.size()) {
    size_t end = output.find('\n', start);
    if (end == std::string::npos) end = output.size();
    std::string line = output.substr(start, end - start);
    start = end + 1;
    for (size_t at = line.find('('); at != std::string::npos; at = line.find('(', at + 1)) {
      if (at != 0 && (at < 2 || line.compare(at - 2, 2, ": ") != 0)) continue;
      size_t digits = at + 1;
      while (digits < line.size() && isdigit(uint8_t(line[digits]))) digits++;
      if (digits > at + 1 && line.compare(digits, 2, ") ") == 0) {
        numbers.push_back(unsigned(std::stoul(line.substr(at + 1, digits - at - 1))));
        break;
      }
    }
  }
  return numbers;
}

bool has_message(const std::string &output, unsigned number) {
  for (unsigned n : tag_numbers(output))
    if (n == number) return true;
  return false;
}

std::vector<unsigned> message_capture::numbers() const {
  std::vector<unsigned> all;
  for (const std::string &line : captured_lines())
    for (unsigned n : tag_numbers(line)) all.push_back(n);
  return all;
}

std::string message_capture::text() const {
  std::string all;
  for (const std::string &line : captured_lines()) all += line + "\n";
  return all;
}

void message_capture::clear() { captured_lines().clear(); }

scratch_dir::scratch_dir(bool enter) {
  path_ = make_scratch_dir("tovra-driver-");
  if (enter) {
    previous_ = fs::current_path().string();
    fs::current_path(path_);
  }
}

scratch_dir::~scratch_dir() {
  if (!previous_.empty()) fs::current_path(previous_);
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

std::string scratch_dir::file(const std::string &name, const std::string &contents) const {
  std::string full = path_ + "/" + name;
  write_file(full, contents);
  return full;
}

std::string staged_chip_db() { return std::string(TOVRA_STAGE) + "/dat/tovra-18.ini"; }

// Every test program gets its own registry store, naming the staged
// installation, and the staged English messages.
namespace {
class driver_environment : public ::testing::Environment {
 public:
  void SetUp() override {
    registry_ = (fs::temp_directory_path() / ("tovra-driver-registry-" + std::to_string(getpid()))).string();
    setenv("TOVRA18_REGISTRY", registry_.c_str(), 1);
    unsetenv("TOVRA18_OPTIONS");
    reg_set_install_dir(TOVRA_STAGE);
    msg_load_file((std::string(TOVRA_STAGE) + "/dat/en_msgs.txt").c_str());
    msg_set_error_limit(100000);
  }
  void TearDown() override { fs::remove(registry_); }

 private:
  std::string registry_;
};
const auto *environment = ::testing::AddGlobalTestEnvironment(new driver_environment);
}  // namespace

void run_driver_options(const std::vector<std::string> &args) {
  chip_free(drv.chip);
  drv = driver_state{};
  ms_free_list(mem_spaces);
  mem_spaces = nullptr;
  for (opt_entry *e = driver_options; e->order != 0; e++) e->count = 0;
  for (opt_row *r = opt_find(driver_options, OPTID_ERRATA)->rows; r->names; r++) r->is_default = 0;
  for (const char *v : {"ZVQ_ERR_FORMAT", "ZVQ_WARN_FORMAT", "ZVQ_MSG_FORMAT"}) unsetenv(v);
  msg_set_format_mode(0);
  msg_set_formats(nullptr, nullptr, nullptr);

  static std::vector<std::vector<char>> storage;
  storage.clear();
  std::vector<char *> argv;
  std::vector<std::string> all = {"tovra18"};
  all.insert(all.end(), args.begin(), args.end());
  for (const std::string &a : all) {
    storage.emplace_back(a.begin(), a.end());
    storage.back().push_back(0);
  }
  for (auto &s : storage) argv.push_back(s.data());
  argv.push_back(nullptr);
  int argc = int(all.size());
  driver_start(argc, argv.data());
  msg_set_output_hook(capture_line);
  msg_set_error_limit(100000);
  driver_read_options(argc, argv.data());
  driver_check_options();
}

static std::string shell_quoted(const std::string &text) {
  std::string q = "'";
  for (char c : text) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

program_run run_tovra18(const std::vector<std::string> &args, const std::string &folder,
                        const std::string &registry_file, int time_limit_seconds) {
  scratch_dir scratch;
  std::string registry = registry_file.empty() ? scratch.path() + "/registry" : registry_file;
  std::string out = scratch.path() + "/output";
  std::string command = "cd " + shell_quoted(folder.empty() ? scratch.path() : folder) +
                        " && env -u TOVRA18_OPTIONS TOVRA18_REGISTRY=" + shell_quoted(registry) + " " +
                        (time_limit_seconds > 0 ? "timeout -s KILL " + std::to_string(time_limit_seconds) + " " : "") +
                        shell_quoted(std::string(TOVRA_STAGE) + "/bin/tovra18");
  for (const std::string &a : args) command += " " + shell_quoted(a);
  command += " </dev/null >" + shell_quoted(out) + " 2>&1";
  int status = std::system(command.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, read_file(out)};
}
