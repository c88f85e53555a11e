#include "run_parsk.h"

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <sstream>

#include <gtest/gtest.h>

#include "ic_check.h"

namespace fs = std::filesystem;

namespace {

std::string replace_all(std::string s, const std::string &from, const std::string &to) {
  for (size_t p = s.find(from); p != std::string::npos; p = s.find(from, p + to.size()))
    s.replace(p, from.size(), to);
  return s;
}

void collect_numbers(parsk_run &r) {
  // Message lines carry "(number)"; echoed source lines and headings do not
  // count.
  static const std::regex echo(R"(^ *L?\d+:|^F?[^\t(]*:( \w+\(\))?$)"), number(R"(\((\d+)\))");
  std::istringstream lines(r.err);
  for (std::string line; std::getline(lines, line);) {
    std::smatch m;
    if (!std::regex_search(line, echo) && std::regex_search(line, m, number))
      r.numbers.push_back(std::stoi(m[1]));
  }
}

}  // namespace

parsk_run run_command(const std::string &command, const std::vector<scratch_file> &files,
                      const std::vector<std::string> &read_back) {
  char pattern[] = "/tmp/parsk-test-XXXXXX";
  std::string folder = mkdtemp(pattern);
  write_files(folder, files);
  std::string cmd = replace_all(command, "PARSK", "'" TOVRA_STAGE "/bin/parsk'");
  cmd = replace_all(cmd, "PREVO", "'" TOVRA_STAGE "/bin/prevo'");
  cmd = "cd '" + folder + "' && { " + cmd + " ; } 2> err.txt";
  parsk_run r;
  int raw = std::system(cmd.c_str());
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.err = read_file(folder + "/err.txt");
  collect_numbers(r);
  for (const std::string &name : read_back) {
    if (fs::exists(fs::path(folder) / name)) r.files[name] = read_file(folder + "/" + name);
  }
  fs::remove_all(folder);
  return r;
}

parsk_run run_parsk(const std::string &source, const std::string &args,
                    const std::vector<scratch_file> &extra,
                    const std::vector<std::string> &read_back) {
  std::vector<scratch_file> files = extra;
  files.push_back({"t.c", source});
  std::vector<std::string> back = read_back;
  back.push_back("t.ic");
  parsk_run r = run_command(
      "PARSK --edf=" TOVRA_STAGE "/dat/en_msgs.txt -E1 " + args + " t.c t.ic < /dev/null", files, back);
  auto it = r.files.find("t.ic");
  if (it != r.files.end()) {
    r.ic = it->second;
    r.format_errors = ic_check(r.ic);
    // Every output a test produces must be well formed.
    EXPECT_TRUE(r.format_errors.empty()) << source.substr(0, 200) << "\n" << r.format_errors[0];
  }
  return r;
}

std::string ic_body_of(const std::string &ic) {
  size_t nl = ic.find('\n');
  return nl == std::string::npos ? "" : ic.substr(nl + 1);
}
