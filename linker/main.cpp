// jointa [options] files: links object files and libraries into one located
// object, with a map and a symbol file.
#include "common/alert.h"
#include "common/getargs.h"
#include "linker/options.h"
#include "linker/pass.h"

static void prog_exit(int status) { link_exit(status); }

int main(int argc, char **argv) {
  msg_set_component("jointa");
  msg_set_exit_hook(prog_exit);
  msg_set_error_limit(30);
  argv = getargs_main(&argc, argv, "jointa");

  link_begin();
  if (!link_read_options(argc, argv) || !link_add_inputs() || !link_open_outputs()) link_exit(1);
  link_run_pass(1);
  link_run_pass(2);
  link_run_pass(3);
  link_exit(msg_failed() ? 1 : 0);
}
