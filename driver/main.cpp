// tovra18: the compiler driver.
#include "common/alert.h"
#include "driver/build.h"
#include "driver/driver.h"
#include "driver/option_table.h"
#include "driver/state.h"
#include "driver/summary.h"

int main(int argc, char **argv) {
  msg_set_component("driver");
  msg_set_exit_hook(prog_exit);
  memmap_printer = summary_memmap;
  driver_start(argc, argv);
  driver_read_options(argc, argv);
  driver_check_options();
  classify_inputs();
  name_output();
  driver_build();
  prog_exit(driver_failed());
}
