#include "run_prevo.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

namespace fs = std::filesystem;

std::string read_file(const std::string &path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

prevo_result run_prevo(const std::vector<prevo_file> &files, const std::string &args,
                       const std::string *stdin_text,
                       const std::vector<std::string> &read_back) {
  char pattern[] = "/tmp/prevo-test-XXXXXX";
  prevo_result r;
  std::string folder = mkdtemp(pattern);
  for (const prevo_file &f : files) {
    fs::path p = fs::path(folder) / f.path;
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << f.text;
  }
  std::string in = stdin_text ? "in.stdin" : "/dev/null";
  if (stdin_text) std::ofstream(fs::path(folder) / in, std::ios::binary) << *stdin_text;
  std::string command = "cd '" + folder + "' && '" TOVRA_STAGE "/bin/prevo' " + args +
                        " < " + in + " > out.stdout 2> out.stderr";
  int raw = std::system(command.c_str());
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.out = read_file(folder + "/out.stdout");
  r.err = read_file(folder + "/out.stderr");
  // Each message line carries its number first; echoed source lines and
  // their file headings are passed over.
  static const std::regex echo(R"(^ *L?\d+:|^F?[^\t]*:$)"), number(R"(\((\d+)\))");
  std::istringstream lines(r.err);
  for (std::string line; std::getline(lines, line);) {
    std::smatch m;
    if (!std::regex_search(line, echo) && std::regex_search(line, m, number))
      r.numbers.insert(std::stoi(m[1]));
  }
  for (const std::string &name : read_back) r.written[name] = read_file(folder + "/" + name);
  fs::remove_all(folder);
  return r;
}
