// lumet [options] [input [output]]: numbered source listing.
#include "common/osdep.h"

#include <cstdio>
#include <cstdlib>

#include "common/alert.h"
#include "listing/lumet.h"

enum {
  MSG_CANT_OPEN = 141,
  MSG_CANT_WRITE = 378,
};

static FILE *input_file;
static FILE *output_file;

static void prog_exit(int status) {
  if (input_file && input_file != stdin) fclose(input_file);
  if (output_file && output_file != stdout) fclose(output_file);
  fflush(stdout);
  exit(status);
}

int main(int argc, char **argv) {
  msg_set_component("lumet");
  msg_set_exit_hook(prog_exit);
  msg_set_formats(nullptr, nullptr, nullptr);

  lumet_options opt;
  int status = lumet_read_options(argc, argv, &opt);
  if (status == 2) prog_exit(0);
  if (status) prog_exit(-1);

  const char *in_name = opt.input ? opt.input : "standard input";
  input_file = opt.input ? fopen(opt.input, "r") : stdin;
  if (!input_file) {
    msg(MSG_CANT_OPEN, "input", opt.input);
    prog_exit(1);
  }
  if (opt.input) msg_set_context(opt.input, nullptr, nullptr, nullptr);

  const char *out_name = opt.output ? opt.output : "standard output";
  // Opening the input itself for writing would empty it before it is read.
  if (opt.output && os_same_file(input_file, opt.output)) {
    msg(MSG_CANT_WRITE, "output", opt.output);
    prog_exit(-1);
  }
  output_file = opt.output ? fopen(opt.output, "w") : stdout;
  if (!output_file) {
    msg(MSG_CANT_WRITE, "output", opt.output);
    prog_exit(-1);
  }

  if (!lumet_list(input_file, output_file, opt.tab_width)) {
    msg(MSG_CANT_OPEN, "input", in_name);
    prog_exit(1);
  }
  if (fflush(output_file) != 0 || ferror(output_file)) {
    msg(MSG_CANT_WRITE, "output", out_name);
    prog_exit(-1);
  }
  prog_exit(msg_failed() ? 1 : 0);
}
