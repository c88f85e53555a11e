// pellow [options] [files]: makes the listed global symbols of object files local.
#include <cstdio>
#include <cstdlib>

#include "common/alert.h"
#include "common/getargs.h"
#include "common/registry.h"
#include "objconv/pellow.h"

static void prog_exit(int status) {
  pellow_cleanup();
  fflush(stdout);
  exit(status);
}

int main(int argc, char **argv) {
  msg_set_component("pellow");
  msg_set_exit_hook(prog_exit);
  char **args = getargs_main(&argc, argv, "pellow");

  pellow_options options;
  if (pellow_options_read(argc, args, &options)) {
    print_product_banner();
    prog_exit(0);
  }
  for (const std::string &file : options.files) pellow_strip_file(&options, file.c_str());
  prog_exit(msg_failed() ? 1 : 0);
}
