// quelm: the PIC18 assembler.
#include <cstdlib>

#include "assembler/quelm.h"
#include "common/alert.h"

static void prog_exit(int status) {
  if (status != 0) quelm_cleanup();
  exit(status);
}

int main(int argc, char **argv) {
  msg_set_component("quelm");
  msg_set_exit_hook(prog_exit);
  quelm_options options;
  if (!quelm_read_options(argc, argv, &options)) prog_exit(1);
  prog_exit(quelm_run(options));
}
