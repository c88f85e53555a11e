#include "linker/options.h"

#include <strings.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/alert.h"
#include "common/registry.h"
#include "linker/place.h"
#include "linker/sym.h"

link_options lopt;

enum {
  MSG_UNKNOWN_OPTION = 168,
  MSG_SELECTOR_TWICE = 387,
  MSG_MAP_TWICE = 388,
  MSG_OUTPUT_TWICE = 389,
  MSG_EMPTY_PSPEC = 390,
  MSG_EMPTY_MACHINE = 391,
  MSG_EMPTY_UNDEFINED = 392,
  MSG_BAD_WARNING = 393,
  MSG_SYMFILE_TWICE = 394,
  MSG_BAD_ERROR_LIMIT = 395,
  MSG_NO_INPUT = 397,
  MSG_WARNING_LOW = 523,
  MSG_RAW_WITH_RELOC = 616,
};

static const char default_symfile[] = "l.sym";

void link_options_reset() {
  lopt = link_options();
  lopt.callgraph = CG_SHORT;
  lopt.width = 80;
}

bool link_is_local_label(const char *name) {
  if (!name[0] || !strchr("klfLSuh", name[0])) return false;
  for (const char *p = name + 1; *p; p++)
    if (!isdigit((unsigned char)*p)) return false;
  return true;
}

namespace {

// -H, -H+ and -D<file> name the one symbol file; only the default name may
// be replaced.
void set_symfile(const char *name, bool plus) {
  if (lopt.symfile_plus || plus) lopt.symfile_plus = true;
  if (lopt.symfile_set && lopt.symfile != name) {
    msg(MSG_SYMFILE_TWICE, name);
    return;
  }
  lopt.symfile = name;
  lopt.symfile_set = strcmp(name, default_symfile) != 0;
}

void option_raw_base(const char *rest) {
  const char *p = rest;
  uint32_t base;
  if (!read_number(&p, &base) || *p) {
    msg(MSG_UNKNOWN_OPTION, rest - 1);
    return;
  }
  lopt.raw = true;
  lopt.raw_base = base;
}

void option_messages_to_file(const char *rest) {
  if (!rest[0]) {
    msg_set_format_mode(1);
  } else if (isdigit((unsigned char)rest[0]) && !rest[1]) {
    msg_set_format_mode(rest[0] - '0');
  } else {
    static char buffer[512];
    if (freopen(rest, "a", stderr)) setvbuf(stderr, buffer, _IOFBF, sizeof buffer);
    msg_set_format_mode(1);
  }
}

void option_warning(const char *rest) {
  if (!isdigit((unsigned char)rest[0]) && rest[0] != '-') {
    msg(MSG_BAD_WARNING, rest);
    return;
  }
  if (strchr(rest, '!')) msg_set_warn_as_error(1);
  long level = strtol(rest, nullptr, 10);
  if (level >= 10)
    lopt.width = (uint32_t)level;
  else if (level < -9)
    msg(MSG_WARNING_LOW, (int)level);
  else
    msg_set_warn_level((int)level);
}

// -VER=language#version or -VER=language#edition#version.
void option_version_text(const char *text) {
  const char *first = strchr(text, '#');
  if (!first) return;
  lopt.have_ver = true;
  lopt.ver_language.assign(text, first - text);
  const char *second = strchr(first + 1, '#');
  if (second) {
    lopt.ver_edition.assign(first + 1, second - first - 1);
    lopt.ver_version = second + 1;
  } else {
    lopt.ver_edition.clear();
    lopt.ver_version = first + 1;
  }
}

// One argument that begins with "-": letters without a value may follow one
// another; a letter with a value takes the rest of the argument.
void option_letters(const char *p) {
  while (*p) {
    char c = *p;
    const char *rest = p + 1;
    if (c < '-' || c > 'z') {
      msg(MSG_UNKNOWN_OPTION, p);
      return;
    }
    switch (toupper((unsigned char)c)) {
      case '8':
        lopt.selector_addresses = true;
        p++;
        continue;
      case 'A':
        place_option_class_ranges(rest);
        return;
      case 'B':
        return;
      case 'C':
        if (rest[0] && !rest[1] && strchr("sSnNfFcC", rest[0]))
          lopt.callgraph = tolower((unsigned char)rest[0]);
        else if (strchr(rest, '='))
          sym_option_psect_class(rest);
        else
          option_raw_base(rest);
        return;
      case 'D':
        if (!strcasecmp(rest, "ebug"))
          lopt.debug++;
        else if (strchr(rest, '='))
          place_option_class_delta(rest);
        else if (!rest[0])
          msg(MSG_UNKNOWN_OPTION, p);
        else {
          set_symfile(rest, false);
          lopt.short_symfile = lopt.symfile;
        }
        return;
      case 'E':
        option_messages_to_file(rest);
        return;
      case 'F':
        lopt.symbols_only = true;
        p++;
        continue;
      case 'G':
        if (lopt.have_selector || !rest[0]) {
          msg(MSG_SELECTOR_TWICE, rest);
          return;
        }
        lopt.have_selector = true;
        lopt.selector_expr = rest;
        return;
      case 'H': {
        bool plus = rest[0] == '+';
        if (plus) rest++;
        set_symfile(rest[0] ? rest : default_symfile, plus);
        lopt.short_symfile.clear();
        return;
      }
      case 'I':
        lopt.ignore_undefined = true;
        p++;
        continue;
      case 'J':
        if (!isdigit((unsigned char)rest[0]))
          msg(MSG_BAD_ERROR_LIMIT, rest);
        else
          msg_set_error_limit((uint32_t)strtoul(rest, nullptr, 10));
        return;
      case 'K':
        lopt.no_callgraph = true;
        p++;
        continue;
      case 'L':
        if (toupper((unsigned char)rest[0]) == 'M') {
          lopt.keep_reloc_high = true;
          p += 2;
        } else {
          lopt.keep_reloc_low = true;
          p++;
        }
        continue;
      case 'M':
        if (rest[0]) {
          if (!lopt.map_file.empty())
            msg(MSG_MAP_TWICE, rest);
          else
            lopt.map_file = rest;
        }
        lopt.map = true;
        return;
      case 'N':
        lopt.sort_by_value = true;
        if (rest[0] == 's' || rest[0] == 'c') {
          lopt.map_layout = rest[0];
          p += 2;
        } else {
          p++;
        }
        continue;
      case 'O':
        if (lopt.output_set || !rest[0]) {
          msg(MSG_OUTPUT_TWICE, rest);
          return;
        }
        lopt.output_set = true;
        lopt.output = rest;
        return;
      case 'P':
        if (!rest[0])
          msg(MSG_EMPTY_PSPEC);
        else
          lopt.pspecs.push_back(rest);
        return;
      case 'Q':
        if (!rest[0])
          msg(MSG_EMPTY_MACHINE);
        else
          lopt.machine = rest;
        return;
      case 'R':
        lopt.relocatable = true;
        p++;
        continue;
      case 'S':
        if (strchr(rest, '=')) {
          place_option_class_attributes(rest);
          return;
        }
        lopt.no_symbols = true;
        p++;
        continue;
      case 'U':
        if (!rest[0])
          msg(MSG_EMPTY_UNDEFINED);
        else
          sym_option_undefined(rest);
        return;
      case 'V':
        if (!strncasecmp(p, "VER=", 4))
          option_version_text(p + 4);
        else
          lopt.avmap = rest;
        return;
      case 'W':
        option_warning(rest);
        return;
      case 'X':
        lopt.no_locals = true;
        p++;
        continue;
      case 'Z':
        lopt.no_label_locals = true;
        p++;
        continue;
      default:
        msg(MSG_UNKNOWN_OPTION, p);
        return;
    }
  }
}

}  // namespace

bool link_read_options(int argc, char **argv) {
  for (int i = 1; i < argc; i++) {
    const char *a = argv[i];
    if (a[0] == '-' && toupper((unsigned char)a[1]) != 'B') lopt.echo.push_back(a);
    if (a[0] != '-') {
      lopt.echo.push_back(a);
      lopt.inputs.push_back(a);
      continue;
    }
    if (a[1] == '-') {
      if (msg_common_option(a)) continue;
      if (!strcmp(a, "--ver")) {
        print_product_banner();
        msg_exit_failure(0);
      }
      if (!strcmp(a, "--norlf")) {
        lopt.norlf = true;
        continue;
      }
      msg(MSG_UNKNOWN_OPTION, a);
      continue;
    }
    option_letters(a + 1);
  }
  if (lopt.output.empty()) lopt.output = lopt.raw ? "l.bin" : "l.obj";
  if (lopt.raw && (lopt.relocatable || lopt.keep_reloc_low || lopt.keep_reloc_high)) {
    msg(MSG_RAW_WITH_RELOC);
    return false;
  }
  if (lopt.inputs.empty()) {
    msg(MSG_NO_INPUT);
    return false;
  }
  return true;
}
