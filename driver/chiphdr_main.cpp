// chiphdr: writes the chip headers from the chip database; the build runs it.
#include <cstdio>

#include "common/alert.h"
#include "driver/chiphdr.h"

int main(int argc, char **argv) {
  msg_set_component("chiphdr");
  if (argc != 4) {
    fprintf(stderr, "usage: chiphdr <chip database> <message file> <folder>\n");
    return 1;
  }
  if (!msg_load_file(argv[2])) {
    fprintf(stderr, "chiphdr: can't read the message file %s\n", argv[2]);
    return 1;
  }
  return chiphdr_write(argv[1], argv[3]) ? 0 : 1;
}
