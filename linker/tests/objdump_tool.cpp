// Prints object files and libraries as text, one line per record or entry.
#include <cstdio>
#include <string>

#include "linker/tests/objdump.h"

int main(int argc, char **argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: objdump_tool file...\n");
    return 2;
  }
  int status = 0;
  for (int i = 1; i < argc; i++) {
    std::string text;
    if (!objdump_path(argv[i], &text)) status = 1;
    fputs(text.c_str(), stdout);
  }
  return status;
}
