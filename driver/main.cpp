// tovra18: the compiler driver.
#include "common/alert.h"
#include "driver/driver.h"
#include "driver/state.h"

int main(int argc, char **argv) {
  msg_set_component("driver");
  msg_set_exit_hook(prog_exit);
  driver_start(argc, argv);
  driver_read_options(argc, argv);
  driver_check_options();
  prog_exit(driver_failed());
}
