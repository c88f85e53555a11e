// bindle: builds and reorders object and p-code libraries.
#include <cstdlib>

#include "common/alert.h"
#include "librarian/bindle.h"

static void prog_exit(int status) {
  bindle_cleanup();
  exit(status);
}

int main(int argc, char **argv) {
  msg_set_component("bindle");
  msg_set_exit_hook(prog_exit);
  bindle_command cmd;
  if (!bindle_read_args(argc, argv, &cmd)) prog_exit(1);
  int status = bindle_run(cmd);
  prog_exit(status != 0 || msg_failed() ? 1 : 0);
}
