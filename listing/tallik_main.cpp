// tallik [options] input_file ...: cross-reference listing.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/alert.h"
#include "common/registry.h"
#include "listing/tallik.h"

enum { MSG_CANT_OPEN = 141, MSG_CANT_WRITE = 378 };

static xref_table *table;
static FILE *output_file;
static const char *output_name = "standard output";

static void prog_exit(int status) {
  if (output_file && output_file != stdout) fclose(output_file);
  xref_free(table);
  fflush(stdout);
  exit(status);
}

// Options come before the first input; returns the index of that input.
static int read_options(int argc, char **argv, xref_settings *s) {
  int i = 1;
  for (; i < argc && argv[i][0] == '-'; i++) {
    const char *word = argv[i];
    const char *value = word + 2;
    if (msg_common_option(word)) continue;
    if (strcmp(word, "--ver") == 0) {
      print_product_banner();
      prog_exit(0);
    }
    switch (word[1]) {
      case 'F': case 'f':
        xref_skip_files(table, value);
        break;
      case 'H': case 'h':
        s->heading = value;
        break;
      case 'L': case 'l':
        s->page_length = atoi(value);
        break;
      case 'O': case 'o':
        if (output_file && output_file != stdout) fclose(output_file);
        output_file = fopen(value, "w");
        output_name = value;
        if (!output_file) {
          msg(MSG_CANT_OPEN, "output", value);
          prog_exit(1);
        }
        break;
      case 'P': case 'p':
        s->page_width = atoi(value);
        break;
      case 'S': case 's':
        if (!xref_read_stoplist(table, value)) fprintf(stderr, "Can't open stoplist file %s\n", value);
        break;
      case 'X': case 'x':
        xref_exclude(table, value);
        break;
      default:
        fprintf(stderr, "Unrecognized switch %s\n", word);
        break;
    }
  }
  return i;
}

int main(int argc, char **argv) {
  msg_set_component("tallik");
  msg_set_exit_hook(prog_exit);
  msg_set_error_limit(10);
  table = xref_new();
  output_file = stdout;

  xref_settings settings = {nullptr, 66, 80};
  int first_input = read_options(argc, argv, &settings);
  if (first_input >= argc) {
    fprintf(stderr, "Usage: tallik [-Ooutfile] [-Sstoplist] input_file ...\n");
    prog_exit(1);
  }
  if (!settings.heading) settings.heading = argv[first_input];

  for (int i = first_input; i < argc; i++) {
    FILE *in = fopen(argv[i], "r");
    if (!in) {
      msg(MSG_CANT_OPEN, "input", argv[i]);
      continue;
    }
    xref_read(table, in, argv[i]);
    if (ferror(in)) msg(MSG_CANT_OPEN, "input", argv[i]);
    fclose(in);
  }

  xref_list(table, &settings, output_file);
  if (fflush(output_file) != 0 || ferror(output_file)) msg(MSG_CANT_WRITE, "output", output_name);
  prog_exit(msg_failed() ? 1 : 0);
}
