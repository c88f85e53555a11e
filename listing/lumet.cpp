#include "listing/lumet.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "common/alert.h"
#include "common/registry.h"

enum {
  MSG_BAD_OPTION = 168,
  MSG_TAB_NOT_NUMBER = 670,
  MSG_TAB_RANGE = 671,
};

// A whole word as a decimal number; false when it is not one.
static bool read_decimal(const char *text, long *out) {
  if (!*text) return false;
  char *end;
  errno = 0;
  long v = strtol(text, &end, 10);
  if (*end || errno) return false;
  *out = v;
  return true;
}

static int option_tab(const char *value, lumet_options *opt) {
  long n;
  if (!read_decimal(value, &n)) {
    msg(MSG_TAB_NOT_NUMBER, value);
    return -1;
  }
  if (n < 1 || n > 64) {
    msg(MSG_TAB_RANGE, value);
    return -1;
  }
  opt->tab_width = (int)n;
  return 0;
}

// "-W<level>[!]": a "!" makes warnings count as errors.
static int option_warn(const char *word, const char *value) {
  char text[32];
  size_t len = strlen(value);
  bool as_error = len > 0 && value[len - 1] == '!';
  if (as_error) len--;
  long level;
  if (len >= sizeof text) {
    msg(MSG_BAD_OPTION, word);
    return -1;
  }
  memcpy(text, value, len);
  text[len] = 0;
  if (!read_decimal(text, &level) || level < INT_MIN || level > INT_MAX) {
    msg(MSG_BAD_OPTION, word);
    return -1;
  }
  msg_set_warn_level((int)level);
  if (as_error) msg_set_warn_as_error(1);
  return 0;
}

int lumet_read_options(int argc, char **argv, lumet_options *opt) {
  opt->tab_width = 8;
  opt->input = nullptr;
  opt->output = nullptr;
  int i = 1;
  for (; i < argc && argv[i][0] == '-'; i++) {
    const char *word = argv[i];
    if (msg_common_option(word)) continue;
    if (strcmp(word, "--ver") == 0) {
      print_product_banner();
      return 2;
    }
    int status;
    switch (word[1]) {
      case 'T':
      case 't':
        status = option_tab(word + 2, opt);
        break;
      case 'W':
      case 'w':
        status = option_warn(word, word + 2);
        break;
      default:
        msg(MSG_BAD_OPTION, word);
        status = -1;
        break;
    }
    if (status) return status;
  }
  if (i < argc) opt->input = argv[i++];
  if (i < argc) opt->output = argv[i++];
  if (i < argc) {
    // A third file name is a slip worth stopping for: it would be ignored.
    msg(MSG_BAD_OPTION, argv[i]);
    return -1;
  }
  return 0;
}

bool lumet_list(FILE *in, FILE *out, int tab_width) {
  static const char blanks[64 + 1] =
      "                                                                ";
  unsigned char buf[65536];
  long line = 1;
  bool at_line_start = true;
  int column = 0;  // only its remainder by the tab width matters
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, in)) > 0) {
    size_t run = 0;  // start of the pending run of plain characters
    for (size_t k = 0; k < n; k++) {
      int c = buf[k];
      if (at_line_start) {
        fprintf(out, "%6ld: ", line);
        at_line_start = false;
        column = 0;
        run = k;
      }
      if (c == '\n') {
        fwrite(buf + run, 1, k + 1 - run, out);
        run = k + 1;
        line++;
        at_line_start = true;
      } else if (c == '\t') {
        fwrite(buf + run, 1, k - run, out);
        int fill = tab_width - column;
        fwrite(blanks, 1, (size_t)fill, out);
        column = 0;
        run = k + 1;
      } else {
        if (++column == tab_width) column = 0;
      }
    }
    if (!at_line_start) fwrite(buf + run, 1, n - run, out);
  }
  return !ferror(in);
}
