// A small program the tests start as a child process:
//   host_probe temps <count> [keep]  makes temporary files, prints their names
//   host_probe installdir            prints the installation and "dat" folders
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/alloc.h"
#include "common/osdep.h"
#include "common/registry.h"

int main(int argc, char **argv) {
  if (argc >= 3 && strcmp(argv[1], "temps") == 0) {
    if (argc >= 4 && strcmp(argv[3], "keep") == 0) os_keep_temps(1);
    for (int i = atoi(argv[2]); i > 0; i--) {
      char *name = os_tempname();
      printf("%s\n", name);
      xfree(name);
    }
    return 0;
  }
  if (argc == 2 && strcmp(argv[1], "installdir") == 0) {
    char *root = reg_install_dir(REG_DIR_ROOT);
    char *dat = reg_install_dir(REG_DIR_DAT);
    printf("%s\n%s\n", root ? root : "(null)", dat ? dat : "(null)");
    xfree(root);
    xfree(dat);
    return 0;
  }
  fprintf(stderr, "usage: host_probe temps <count> [keep] | installdir\n");
  return 2;
}
