#include "driver/driver.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <list>
#include <string>
#include <unistd.h>

#include "common/alert.h"
#include "common/lists.h"
#include "common/osdep.h"
#include "driver/build.h"
#include "driver/chipinfo.h"
#include "driver/memory.h"
#include "driver/option_table.h"
#include "driver/options.h"
#include "driver/state.h"

static bool starts_with(const char *text, const char *prefix) {
  return strncasecmp(text, prefix, strlen(prefix)) == 0;
}

// The new form of one legacy argument, or empty when it has none.
static std::string legacy_form(const char *arg, bool &studio) {
  static const struct {
    const char *old_form;
    const char *new_form;
  } whole[] = {
      {"-CP24", "--cp=24"},           {"-CP16", "--cp=16"},         {"-FDOUBLE", "--double=fast32"},
      {"-ICD", "--debugger=icd2"},    {"-NOERRATA", "--errata=none"}, {"-NFI", "--errata=+fastints"},
      {"-NODEL", "--nodel"},          {"-XBYTE", "--emi=bytewrite"},
  };
  if (strcasecmp(arg, "-STUDIO") == 0) {
    studio = true;
    return "--ide=studio";
  }
  if (starts_with(arg, "-AAHEX")) return "--output=aahex";
  if (starts_with(arg, "-A") && arg[2] != '-' && isxdigit(uint8_t(arg[2]))) {
    char text[32];
    snprintf(text, sizeof text, "--codeoffset=%lX", strtoul(arg + 2, nullptr, 16));
    return text;
  }
  for (const auto &w : whole)
    if (strcasecmp(arg, w.old_form) == 0) return w.new_form;
  if (starts_with(arg, "-XDATA")) return std::string("--ram=default,+") + (arg + 6);
  if (arg[0] == '-' && isdigit(uint8_t(arg[1]))) return ("--chip=" + std::string(arg + 1)).substr(0, 63);
  return "";
}

// The rewritten arguments; argv points into them for the rest of the run.
static std::list<std::string> rewritten_args;

static char *keep_arg(std::string text) { return rewritten_args.emplace_back(std::move(text)).data(); }

bool rewrite_legacy_options(int argc, char **argv) {
  bool rewritten = false, studio = false;
  for (int i = 1; i < argc; i++) {
    std::string now = legacy_form(argv[i], studio);
    if (now.empty()) continue;
    argv[i] = keep_arg(now);
    rewritten = true;
  }
  if (!studio) return rewritten;
  // The studio names its output after an object-like file; the image is hex.
  for (int i = 1; i < argc; i++) {
    const char *arg = argv[i];
    const char *dot = strrchr(arg, '.');
    if (!starts_with(arg, "-O") || strlen(arg) <= 2 || !dot || strcasecmp(dot, ".obj") == 0) continue;
    argv[i] = keep_arg(std::string(arg, dot) + ".hex");
  }
  return rewritten;
}

static void write_message_line(const char *line) { fputs(line, stderr); }

void driver_start(int argc, char **argv) {
  elapsed_ms();  // the build's clock starts here
  drv.legacy_rewritten = rewrite_legacy_options(argc, argv);
  drv.command_words.assign(argv, argv + argc);
  options_apply_defaults();
  opt_banner_hook = show_banner;
  msg_set_output_hook(write_message_line);
  msg_set_error_limit(20);
}

static void keep_file(const char *name) { drv.input_files.push_back(name); }

void driver_read_options(int argc, char **argv) {
  if (argc <= 1) {
    show_banner();
    if (isatty(fileno(stdin))) {
      msg(880, "TOVRA18");
      prog_exit(driver_failed());
    }
    printf("Enter TOVRA18 --HELP for help\n");
    fflush(stdout);
  }
  if (opt_parse(driver_options, argc, argv, keep_file, "TOVRA18")) prog_exit(0);
}

// Messages 1233 and 1234: the chip's errata work-arounds in force.
static void report_errata() {
  if (drv.quiet || !drv.chip || !drv.chip->errata) return;
  bool first = true;
  opt_entry *errata = opt_find(driver_options, OPTID_ERRATA);
  for (const opt_row *r = errata->rows; r->names; r++) {
    if (!(drv.errata & r->value)) continue;
    if (first) msg(1233, drv.chip->name);
    first = false;
    msg(1234, r->description);
  }
}

void driver_check_options() {
  if (drv.echo) {
    fprintf(stderr, "Command line:\n");
    for (const std::string &w : drv.command_words) fprintf(stderr, "%s\n", w.c_str());
  }
  os_keep_temps(drv.nodel);
  if ((drv.opt & OPT_SPEED) && (drv.opt & OPT_SPACE)) {
    if (drv.opt == 0xFFFFFFFFu)
      drv.opt &= ~uint32_t(OPT_SPEED);
    else
      msg(1259);
  }
  if (!drv.out_dir_set) drv.out_dir = ".";
  if (!drv.obj_dir_set) drv.obj_dir = drv.out_dir;
  if (drv.ide == IDE_MORVEL) {
    os_setenv("ZVQ_ERR_FORMAT", "Error #%n: %f; %l: %s (col %c)");
    os_setenv("ZVQ_WARN_FORMAT", "Warning #%n: %f; %l: %s (col %c)");
    os_setenv("ZVQ_MSG_FORMAT", "Advisory #%n: %f; %l: %s (col %c)");
  }
  if (drv.setoption && drv.getoption) msg(895);
  build_memory_classes();
  if (!drv.memmap_file.empty()) {
    if (memmap_printer) memmap_printer(drv.memmap_file.c_str());
    prog_exit(driver_failed());
  }
  if (!drv.stop_at_asm && !drv.compile_only && !drv.scandep) {
    if (!ms_free_size(ms_find(mem_spaces, "data"))) msg(896);
    if (!ms_free_size(ms_find(mem_spaces, "code"))) msg(897);
  }
  report_errata();
  if (drv.legacy_rewritten) {
    msg(1207);
    msg(1208);
  }
  if (drv.ident_length < 31) drv.ident_length = 31;
}
