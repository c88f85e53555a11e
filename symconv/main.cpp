// forvane [options] input_files ... -okey [-okey ...] output_file: turns the
// link's symbol file, the code generator's debug descriptions and hex images
// into debugger and image files.
#include <cstdio>
#include <cstdlib>

#include "common/alert.h"
#include "common/getargs.h"
#include "symconv/forvane.h"

static void prog_exit(int status) {
  fflush(stdout);
  fflush(stderr);
  exit(status);
}

int main(int argc, char **argv) {
  msg_set_component("forvane");
  msg_set_exit_hook(prog_exit);
  char **args = getargs_main(&argc, argv, "forvane");
  prog_exit(forvane_run(argc, args));
}
