#include "driver/state.h"

#include <csignal>
#include <cstdlib>
#include <unistd.h>

#include "common/alert.h"
#include "common/alloc.h"
#include "common/osdep.h"
#include "common/registry.h"
#include "driver/build.h"
#include "driver/chipinfo.h"
#include "driver/files.h"
#include "driver/memory.h"

driver_state drv;

const char *const pass_names[PASS_COUNT] = {"lumet", "prevo",  "parsk",   "codrel", "quelm", "jointa",
                                            "imprel", "tessik", "forvane", "bindle", "tallik"};

const char *const version_text = "9.63PL3";
const char *const product_line = "Quenlor C PRO for the PIC18 MCU Family";

bool driver_failed() { return drv.failed_passes != 0 || msg_failed(); }

void prog_exit(int status) {
  if (status == 0 && driver_failed()) status = 1;
  delete_build_files();
  fflush(stdout);
  fflush(stderr);
  exit(status);
}

static void on_interrupt(int) { prog_exit(2); }

void show_banner() {
  if (drv.banner_shown) return;
  drv.banner_shown = true;
  if (!drv.quiet) printf("%s  V%s\n", product_line, version_text);
  fflush(stdout);
  fflush(stderr);
  dup2(drv.error_file ? fileno(drv.error_file) : fileno(stdout), fileno(stderr));
}

void driver_init() {
  drv.initialised = true;
  if (signal(SIGINT, SIG_IGN) != SIG_IGN) signal(SIGINT, on_interrupt);
  char *install = reg_install_dir(REG_DIR_ROOT);
  if (!install) msg(1228);
  xfree(install);
  char *db = reg_install_path(REG_DIR_DAT, "tovra-18.ini");
  drv.chip_db = db ? db : "tovra-18.ini";
  xfree(db);
  char *include = reg_install_dir(REG_DIR_INCLUDE);
  drv.include_option = std::string("-I") + (include ? include : "include");
  xfree(include);
  drv.pp_args = {"-DQUENLOR_C", "-SP1,1,1,1,1,1,1"};
  chipinfo_set_hooks(chip_size_hook, chip_range_hook);
  memory_spaces_new();
  make_temporaries();
}

void set_output_dir(const char *path) {
  if (!os_is_dir(path)) {
    msg(1180, path);
    return;
  }
  char *absolute = os_abs_path(path);
  if (drv.out_dir_set && drv.out_dir != absolute)
    msg(1255, absolute, drv.out_dir.c_str());
  else
    drv.out_dir = absolute;
  drv.out_dir_set = true;
  xfree(absolute);
}

void set_output_name(const char *path) {
  if (char *dir = os_dirname(path)) {
    set_output_dir(*dir ? dir : "/");
    xfree(dir);
  }
  std::string name = os_basename(path);
  if (name.empty() || name.back() != '.') {
    size_t dot = name.rfind('.');
    name = dot == std::string::npos ? name + "." : name.substr(0, dot + 1);
    name += drv.compile_only ? "obj" : "hex";
  }
  drv.out_name = name;
}
