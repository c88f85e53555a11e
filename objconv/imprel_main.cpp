// imprel [options] [input [output]]: located object file to a program image.
#include "common/osdep.h"

#include <cstdio>
#include <cstdlib>

#include "common/alert.h"
#include "common/getargs.h"
#include "common/registry.h"
#include "objconv/imprel.h"

enum { MSG_CANT_OPEN = 141, MSG_CANT_CLOSE = 739 };

static imprel_state state;
static FILE *input_file;
static bool output_made, symbol_file_made;

// A failed run leaves no image or symbol file behind that could pass for good.
static void prog_exit(int status) {
  if (input_file) fclose(input_file);
  image_free(&state.image);
  if (state.out.fp) fclose(state.out.fp);
  if (state.symfile.fp) fclose(state.symfile.fp);
  state.out.fp = state.symfile.fp = nullptr;
  if (status != 0 && output_made) remove(state.opt.output);
  if (status != 0 && symbol_file_made) remove(state.opt.symbol_file);
  fflush(stdout);
  exit(status);
}

static void read_checksums(imprel_state *s) {
  if (!s->opt.cksum) return;
  const char *name = s->opt.cksum_file;
  FILE *in = name ? fopen(name, "r") : stdin;
  if (!in) {
    msg(MSG_CANT_OPEN, "checksum", name);
    prog_exit(1);
  }
  cksum_read(in, &s->cksums);
  if (in != stdin) fclose(in);
}

static void open_files(imprel_state *s) {
  const imprel_options &o = s->opt;
  if (o.symbol_file && !o.symbols_in_program) {
    s->symfile = {fopen(o.symbol_file, "w"), o.symbol_file, false};
    if (!s->symfile.fp) {
      msg(MSG_CANT_OPEN, "symbol", o.symbol_file);
      prog_exit(1);
    }
    symbol_file_made = true;
  }
  input_file = fopen(o.input, "rb");
  if (!input_file) {
    msg(MSG_CANT_OPEN, "input", o.input);
    prog_exit(1);
  }
  // Opening the object itself for writing would empty it before it is read.
  if (os_same_file(input_file, o.output)) {
    msg(MSG_CANT_OPEN, "output", o.output);
    prog_exit(1);
  }
  bool text = s->format == FMT_INTEL || s->format == FMT_MOTOROLA || s->format == FMT_TEK ||
              s->format == FMT_TEK_EXT;
  s->out = {fopen(o.output, text ? "w" : "wb"), o.output, false};
  if (!s->out.fp) {
    msg(MSG_CANT_OPEN, "output", o.output);
    prog_exit(1);
  }
  output_made = true;
}

static void close_output(out_stream *o) {
  if (!o->fp) return;
  if (fclose(o->fp) != 0 && !o->failed) msg(MSG_CANT_CLOSE, o->name);
  o->fp = nullptr;
}

int main(int argc, char **argv) {
  msg_set_component("imprel");
  msg_set_exit_hook(prog_exit);
  char **args = getargs_main(&argc, argv, "imprel");

  imprel_options options;
  if (imprel_options_read(argc, args, &options)) {
    print_product_banner();
    prog_exit(0);
  }
  msg_set_error_limit(options.error_limit);
  imprel_options_check(&options);
  if (msg_failed()) prog_exit(1);
  msg_set_context(options.input, nullptr, nullptr, nullptr);

  imprel_init(&state, &options);
  read_checksums(&state);
  open_files(&state);
  if (!msg_failed() && obj_read(&state, input_file) && !msg_failed()) image_output(&state);
  close_output(&state.out);
  close_output(&state.symfile);
  prog_exit(msg_failed() ? 1 : 0);
}
