#include "run_prevo.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <sstream>

namespace fs = std::filesystem;

prevo_result run_prevo(const std::vector<scratch_file> &files, const std::string &args,
                       const std::string *stdin_text,
                       const std::vector<std::string> &read_back) {
  char pattern[] = "/tmp/prevo-test-XXXXXX";
  prevo_result r;
  std::string folder = mkdtemp(pattern);
  write_files(folder, files);
  std::string in = stdin_text ? "in.stdin" : "/dev/null";
  if (stdin_text) write_file(folder + "/" + in, *stdin_text);
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
