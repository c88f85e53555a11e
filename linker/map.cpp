#include "linker/map.h"

#include <cstdio>
#include <cstring>

#include "common/alert.h"
#include "linker/options.h"

enum { MSG_CANT_CREATE = 378 };

namespace {

bool map_ready;

}  // namespace

FILE *map_stream() { return map_ready ? stdout : nullptr; }

bool map_open() {
  map_ready = false;
  if (!lopt.map) return true;
  if (!lopt.map_file.empty() && !freopen(lopt.map_file.c_str(), "w", stdout)) {
    msg(MSG_CANT_CREATE, "map", lopt.map_file.c_str());
    return false;
  }
  map_ready = true;
  return true;
}

void map_banner() {
  if (!map_ready) return;
  printf("Quenlor Software ");
  if (lopt.have_ver)
    printf("%s ", lopt.ver_language.c_str());
  else
    printf("C ");
  printf("Compiler ");
  if (lopt.have_ver && !lopt.ver_edition.empty()) printf("%s Edition ", lopt.ver_edition.c_str());
  printf("%s\n\n", lopt.have_ver ? lopt.ver_version.c_str() : "V9.63PL3");
  printf("Linker command line:\n\n");
  size_t column = 0;
  for (const std::string &arg : lopt.echo) {
    // An argument that would reach the margin starts a continued line.
    if (column > 2 && column + arg.size() + 1 >= lopt.width - 4) {
      printf("\\\n  ");
      column = 2;
    }
    printf("%s ", arg.c_str());
    column += arg.size() + 1;
  }
  printf("\n\n");
}

void map_ident(unsigned major, unsigned minor, const char *machine) {
  if (!map_ready) return;
  if (major || minor) printf("Object code version is %u.%u\n\n", major, minor);
  printf("Machine type is %s\n\n", machine);
}

void map_library(const char *name) {
  if (map_ready) printf("\n%s\n", name);
}

void map_module_lines(const module_record *, const std::vector<psect_info *> &) {}

void map_psect_heading() {}

void map_finish() {}
