#include "preprocessor/prevo.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "common/alert.h"
#include "common/alloc.h"
#include "common/getargs.h"
#include "common/hash.h"
#include "common/registry.h"
#include "preprocessor/directive.h"
#include "preprocessor/eval.h"
#include "preprocessor/macro.h"
#include "preprocessor/output.h"

pp_program_state prog;

namespace {

constexpr uint32_t ERROR_LIMIT = 10;
char stderr_buffer[512];

// ---- options ----

void option_comments(const char *, const char *) { prog.keep_comments = true; }

void option_define(const char *, const char *value) { macro_define_option(value); }

void option_echo(const char *, const char *value) {
  if (!*value) return;
  if (isdigit(static_cast<unsigned char>(value[0])) && !value[1]) {
    prog.echo_level = value[0] - '0';
    msg_set_format_mode(prog.echo_level);
    return;
  }
  if (freopen(value, "a", stderr)) setvbuf(stderr, stderr_buffer, _IOLBF, sizeof stderr_buffer);
}

void option_name(const char *, const char *value) {
  if (*value) prog.source_name = value;
}

void option_include(const char *, const char *value) {
  if (dir.include_dirs.size() >= PP_MAX_INCLUDE_DIRS) {
    msg(147, value);
    return;
  }
  dir.include_dirs.push_back(value);
}

void option_list(const char *, const char *value) {
  if (!*value) {
    out.on = false;
    prog.list = stdout;
    prog.list_is_stdout = true;
    return;
  }
  if (value[0] == 'M' && value[1] == '-') {
    prog.make_style = true;
    value += 2;
  }
  prog.dep_name = value;
  if (prog.list && !prog.list_is_stdout) fclose(prog.list);
  prog.list = fopen(value, "w");
  prog.list_is_stdout = !prog.list;
  if (!prog.list) prog.list = stdout;
}

void option_length(const char *, const char *value) {
  if (!isdigit(static_cast<unsigned char>(*value))) return;
  long n = strtol(value, nullptr, 10);
  pp_ident_limit = n <= 30 ? 31 : n > 255 ? 255 : int(n);
}

void option_sizes(const char *word, const char *value) { pp_sizes_option(word, value); }

void option_undefine(const char *, const char *value) { macro_undef_option(value); }

void option_warnings(const char *, const char *value) {
  static int level;
  if (isdigit(static_cast<unsigned char>(*value)) || *value == '-') level = atoi(value);
  if (strchr(value, '!')) msg_set_warn_as_error(1);
  msg_set_warn_level(level);
}

struct option_row {
  char letter;
  void (*apply)(const char *word, const char *value);
};
const option_row option_table[] = {
    {'C', option_comments}, {'D', option_define}, {'E', option_echo},   {'F', option_name},
    {'I', option_include},  {'L', option_list},   {'N', option_length}, {'S', option_sizes},
    {'U', option_undefine}, {'W', option_warnings},
};

// Reads the options in order; the positional words are returned.
std::vector<const char *> read_options(int argc, char **argv) {
  std::vector<const char *> positional;
  for (int k = 1; k < argc && argv[k]; k++) {
    const char *word = argv[k];
    if (word[0] != '-' || !word[1]) {
      positional.push_back(word);
      continue;
    }
    if (word[1] == '-') {
      if (!strcmp(word, "--ver")) {
        print_product_banner();
        prog_exit(0);
      }
      if (!strncmp(word, "--emax=", 7)) prog.emax_given = true;
      if (!msg_common_option(word)) msg(168, word);
      continue;
    }
    char letter = char(toupper(static_cast<unsigned char>(word[1])));
    const option_row *row = nullptr;
    for (const option_row &r : option_table)
      if (r.letter == letter) row = &r;
    if (row)
      row->apply(word, word + 2);
    else
      msg(168, word);
  }
  return positional;
}

// ---- messages ----

const wch *context_start, *context_pos;
std::string last_echoed_file;

void pre_message() {
  pp_input *in = rd.top;
  if (!in || !rd_file()) {  // no input yet: an option is at fault
    msg_set_context_wide(nullptr, nullptr, nullptr, nullptr);
    return;
  }
  context_start = in->buf;
  context_pos = in->pos;
  msg_set_context_wide(in->name, &rd.line, &context_start, &context_pos);
}

void echo_line(const uint16_t *text, const uint16_t *file) {
  if (rd.line_echoed) return;
  rd.line_echoed = true;
  std::string name = file ? wide_to_narrow(file) : std::string();
  if (name != last_echoed_file) {
    fprintf(stderr, "%s%s:\n", prog.echo_level > 1 ? "F" : "", name.c_str());
    last_echoed_file = name;
  }
  std::string line = text ? wide_to_narrow(text) : std::string();
  if (line.empty() || line.back() != '\n') line.push_back('\n');
  if (prog.echo_level == 0)
    fprintf(stderr, "%6d:\t%s", rd.line, line.c_str());
  else
    fprintf(stderr, "%s%d:%s", prog.echo_level > 1 ? "L" : "", rd.line, line.c_str());
}

// ---- dependency list ----

struct dep_writer {
  FILE *f;
  bool make;
};

std::string without_extension(const std::string &s) {
  size_t dot = s.rfind('.');
  return dot == std::string::npos ? s : s.substr(0, dot);
}

int write_dependency(void *context, const void *key, void *) {
  dep_writer *w = static_cast<dep_writer *>(context);
  const char *name = static_cast<const char *>(key);
  if (!w->make) {
    fprintf(w->f, "%s\n", name);
    return 0;
  }
  fputc(' ', w->f);
  for (const char *p = name; *p; p++) {
    if (*p == '\\')
      fputc('/', w->f);
    else if (*p == ' ')
      fputs("\\ ", w->f);
    else
      fputc(*p, w->f);
  }
  return 0;
}

void write_dependency_list() {
  if (!prog.list || !dir.included) return;
  const std::string &source = prog.source_name.empty() ? prog.input_path : prog.source_name;
  dep_writer w = {prog.list, false};
  if (prog.make_style && source.find('.') != std::string::npos &&
      prog.dep_name.find('.') != std::string::npos) {
    w.make = true;
    if (hash_count(dir.included))
      fprintf(prog.list, "%s %s.%s: %s.%s", prog.dep_name.c_str(),
              without_extension(prog.dep_name).c_str(), "parsk", without_extension(source).c_str(),
              source.substr(source.rfind('.') + 1).c_str());
  }
  hash_foreach(dir.included, &w, write_dependency);
}

// ---- the line loop ----

void put_char(wch c) { out_put(c); }

void run() {
  for (;;) {
    int columns = 0;
    wch c = pp_getc();
    for (; pp_is_blank(c) || c == PP_ENDEXP; c = pp_getc())
      if (c != PP_ENDEXP) columns++;
    if (c == 0) break;
    if (c == '\n') {
      if (out.line_open)
        out_newline();
      else
        out.pending++;
      continue;
    }
    if (c == '#' && rd.top && rd.top->kind == PP_IN_FILE) {
      if (out.line_open) {  // a comment kept with -C stood before it
        out_newline();
        out.marker_pending = true;
      }
      rd.copy_comments = false;
      out.pending = pp_directive(out.pending);
      rd.copy_comments = prog.keep_comments && dir.active;
      continue;
    }
    if (!dir.active) {
      pp_skip_line_from(c);
      out.pending++;
      continue;
    }
    out_begin_line();
    if (out.in_asm)
      for (; columns > 0; columns--) out_raw(' ');
    pp_copy_line(c, true);
  }
  if (out.pending && out.on) out_raw('\n');
  if (int line = pp_open_conditional_line()) msg(100, line);
}

int free_key(void *, const void *key, void *) {
  xfree(const_cast<void *>(key));
  return 0;
}

// Everything the run holds goes before the exit, so that leak checkers see
// only real leaks.
void release_all() {
  rd_release_all();
  macro_clear_all();
  if (dir.included) {
    hash_foreach(dir.included, nullptr, free_key);
    hash_free(dir.included);
    dir.included = nullptr;
  }
}

}  // namespace

void pp_copy_line(wch c, bool at_line_start) {
  // A "#" from a macro at the start of a line is no directive, as C has it;
  // a directive's name after it is reported so that the lost directive shows.
  bool macro_hash = false;
  for (;; c = pp_getc()) {
    if (c == 0 || c == '\n') {
      out_newline();
      // A newline given back by a macro call that spanned lines.
      if (c && rd.top && rd.top->kind != PP_IN_FILE) out.marker_pending = true;
      return;
    }
    int cls = pp_class(c);
    if (cls == CC_BLANK) {
      out_blank();
      continue;
    }
    if (c == PP_ENDEXP) {
      out.boundary = true;
      continue;
    }
    bool after_hash = macro_hash;
    macro_hash = at_line_start && c == '#' && rd.top && rd.top->kind != PP_IN_FILE;
    if (cls != CC_IDENT) at_line_start = false;
    if (cls == CC_IDENT) {
      pp_read_ident(c);
      if (after_hash && pp_id_names_directive()) msg(161, wide_to_narrow(pp_id.text.data(), pp_id.text.size()).c_str());
      if (!pp_id.painted) {
        pp_macro *m = macro_find(pp_id.text.data(), pp_id.text.size());
        if (m && !m->active) {
          macro_result r = macro_expand(m);
          if (r == MACRO_EXPANDED) {
            out.boundary = true;
            continue;
          }
          if (r == MACRO_DROPPED) continue;
        }
      }
      at_line_start = false;
      for (wch k : pp_id.text) out_put(k);
    } else if (cls == CC_DIGIT || (c == '.' && pp_dot_starts_number())) {
      pp_copy_number(c, put_char);
    } else if (cls == CC_QUOTE) {
      pp_copy_literal(c, put_char, true);
    } else {
      out_put(c);
    }
  }
}

void prog_exit(int status) {
  out_flush();
  write_dependency_list();
  if (prog.list && !prog.list_is_stdout && fclose(prog.list) != 0) status = 1;
  prog.list = nullptr;
  if (out.f) {
    bool failed = out.failed || fclose(out.f) != 0;
    out.f = nullptr;
    if (failed) {
      msg_report(0, "E", "cannot write the output: %m");
      status = 1;
    }
  }
  release_all();
  exit(status);
}

void prevo_main(int argc, char **argv) {
  msg_set_component("preprocessor");
  msg_set_exit_hook(prog_exit);
  msg_set_formats("%f: %l: (%n) %s (error)", "%f: %l: (%n) %s (warning)", "%f: %l: %s");
  msg_set_pre_hook(pre_message);
  msg_set_echo_hook_wide(echo_line);
  out.on = true;
  out.f = stdout;

  char **args = argv;
  int nargs = argc;
  if (argc == 1 || (argc == 2 && argv[1][0] == '@')) {
    if (argc == 2 && !freopen(argv[1] + 1, "r", stdin)) {
      msg(141, "command", argv[1] + 1);
      prog_exit(1);
    }
    args = getargs(nullptr, "prevo");
    nargs = getargs_argc;
  }

  macro_predefine();
  std::vector<const char *> positional = read_options(nargs, args);
  if (positional.size() > 2) {
    msg(110);
    prog_exit(1);
  }

  const char *input = positional.size() > 0 ? positional[0] : "-";
  const char *output = positional.size() > 1 ? positional[1] : "-";
  if (strcmp(output, "-") != 0 && !freopen(output, "wb", stdout)) {
    out.f = nullptr;
    msg(141, "output", output);
    prog_exit(1);
  }
  FILE *in = stdin;
  bool owns = false;
  if (strcmp(input, "-") != 0) {
    in = fopen(input, "rb");
    owns = true;
    if (!in) {
      msg(141, "input", input);
      prog_exit(1);
    }
    prog.input_path = input;
  }
  if (!prog.emax_given) msg_set_error_limit(ERROR_LIMIT);

  pp_directives_begin();
  rd.copy_comments = prog.keep_comments;
  rd_push_file(in, owns, prog.input_path,
               prog.source_name.empty() ? prog.input_path : prog.source_name);
  out_marker();
  run();
  prog_exit(msg_failed() ? 1 : 0);
}
