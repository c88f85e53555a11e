#include "codegen/model/codrel.h"

#include <csignal>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "codegen/model/initdata.h"
#include "codegen/model/libwant.h"
#include "codegen/model/optim.h"
#include "codegen/model/progstate.h"
#include "codegen/model/reader.h"
#include "codegen/model/regalloc.h"
#include "codegen/model/sdb.h"
#include "codegen/model/symbols.h"
#include "codegen/model/target_services.h"
#include "common/alert.h"
#include "common/alloc.h"
#include "common/getargs.h"
#include "common/hash.h"
#include "common/vector.h"

codrel_options copt;

namespace {

const char BUILD[] = "4692";
constexpr size_t STDERR_BUFFER = 512;
int format_mode;
std::string output_name;
bool stdout_closed;  // by fclose, or by a reopen that failed

// Splits "name:a:b" at its colons.
std::vector<std::string> fields(const char *text) {
  std::vector<std::string> out;
  const char *start = text;
  for (const char *p = text;; p++) {
    if (*p == ':' || *p == 0) {
      out.emplace_back(start, p);
      if (!*p) break;
      start = p + 1;
    }
  }
  return out;
}

uint32_t number_or_zero(const std::vector<std::string> &f, size_t k) {
  return k < f.size() ? uint32_t(strtoul(f[k].c_str(), nullptr, 10)) : 0;
}

// A failed reopen leaves no output at all: the run ends there.
void reopen_stdout(const char *name) {
  if (!freopen(name, "w", stdout)) {
    stdout_closed = true;
    msg(378, "output", name);
    prog_exit(1);
  }
  output_name = name;
}

void optimisation_letters(const char *p) {
  while (*p) {
    char letter = char(toupper(static_cast<unsigned char>(*p++)));
    unsigned long number = 0;
    char *end;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && isxdigit(static_cast<unsigned char>(p[2]))) {
      number = strtoul(p + 2, &end, 16);
      p = end;
    } else if (isdigit(static_cast<unsigned char>(*p))) {
      number = strtoul(p, &end, 10);
      p = end;
    }
    number &= 0xff;
    switch (letter) {
      case 'A': mode_word |= MODE_AUTOSTATIC; break;
      case 'F': mode_word |= MODE_SPEEDOPT; break;
      case 'S': mode_word |= MODE_SPACEOPT; break;
      case 'G':
      case 'U': mode_word |= MODE_GLOBOPT; break;
      case 'V':
        if (number) copt.alloc_limit = int(number);
        break;
      case 'K':
      case 'L': break;
      default: {
        char text[2] = {letter, 0};
        msg(747, text);
      }
    }
  }
}

void mode_option(char *text) {
  if (isdigit(static_cast<unsigned char>(*text))) {
    char *end;
    unsigned long bit = strtoul(text, &end, 10);
    if (*end || bit < MODE_FIRST_NAMED || bit >= MODE_BITS)
      msg(716, text);
    else
      mode_word |= 1u << bit;
    return;
  }
  for (char *p = text; *p; p++) *p = char(toupper(static_cast<unsigned char>(*p)));
  for (int bit = MODE_FIRST_NAMED; bit < MODE_BITS; bit++) {
    if (strcmp(text, mode_names[bit]) == 0) {
      mode_word |= 1u << bit;
      return;
    }
  }
  msg(716, text);
}

void format_option(const char *rest) {
  if (!*rest) {
    format_mode = 1;
  } else if (isdigit(static_cast<unsigned char>(rest[0])) && !rest[1]) {
    format_mode = rest[0] - '0';
  } else if (freopen(rest, "a", stderr)) {
    static char buffer[STDERR_BUFFER];
    setvbuf(stderr, buffer, _IOLBF, sizeof buffer);
  }
  msg_set_format_mode(format_mode);
}

void long_option(const char *word) {
  if (!strncmp(word, "--edf=", 6) || !strncmp(word, "--emax=", 7) || !strncmp(word, "--msgdisable=", 13))
    msg_common_option(word);
  else
    msg(717, "-");
}

// One option word; `next` is the word after it (never consumed).
void option(char *word, const char *next) {
  if (word[1] == '-') {
    long_option(word);
    return;
  }
  char *rest = word + 2;
  switch (word[1]) {
    case 'A':
    case 'a':
      copt.input_list = true;
      if (*rest)
        reopen_stdout(rest);
      else if (next && *next && *next != '-')
        reopen_stdout(next);
      break;
    case 'B':
    case 'b': {
      std::vector<std::string> f = fields(rest);
      uint32_t count = number_or_zero(f, 1);
      copt.asm_names.push_back({f[0], count ? count : 1});
      break;
    }
    case 'C':
    case 'c':
      break;
    case 'D':
      model.debug_dump = true;
      if (*rest && !model.feature_list_mode && !sdb_open(rest)) msg(461, "symbol (SDB)", rest);
      break;
    case 'E':
    case 'e':
      format_option(rest);
      break;
    case 'F':
    case 'f':
      model.feature_list_mode = true;
      break;
    case 'M':
      mode_option(rest);
      break;
    case 'N': {
      std::vector<std::string> f = fields(rest);
      copt.figures.push_back({f[0], number_or_zero(f, 1), number_or_zero(f, 2)});
      break;
    }
    case 'O':
    case 'Z':
      optimisation_letters(rest);
      break;
    case 'P':
    case 'p':
      if (*rest) emit_parse_chip_option(rest);
      break;
    case 'Q': {
      std::vector<std::string> f = fields(rest);
      copt.calls.push_back({f[0], f.size() > 1 ? f[1] : std::string()});
      break;
    }
    case 'R':
      if (strcmp(rest, "D") == 0) copt.constant_format = "%ld";
      break;
    case 'S':
      copt.tracking_comments = true;
      break;
    case 'U':
      copt.interrupt_fillers = uint8_t(strtoul(rest, nullptr, 10));
      break;
    case 'W':
    case 'w': {
      int level = atoi(rest);
      model.warning_level = int8_t(level);
      msg_set_warn_level(level);
      if (strchr(word, '!')) msg_set_warn_as_error(1);
      break;
    }
    default: {
      char letter[2] = {word[1], 0};
      msg(717, letter);
    }
  }
}

char **argument_words(int *argc, char **argv) {
  if (*argc == 2 && argv[1][0] == '@') {
    // A command file that cannot be opened leaves standard input to read.
    getargs_reopen_stdin(argv[1] + 1);
  } else if (*argc != 1) {
    return argv;
  }
  char **words = getargs(nullptr, "CODREL");
  *argc = getargs_argc;
  return words;
}

void write_header() {
  if (model.feature_list_mode) {
    sdb_close();
    return;
  }
  out_printf("opt subtitle \"Quenlor Software Ambrite Code Generator build %s\"\n\n", BUILD);
  emit_header();
  if (sdb_is_open()) sdb_write_header();
}

// The optimiser writes the records of functions and their locals as it
// writes their code.
const optim_debug_writer DEBUG_WRITER = {sdb_write_variable, sdb_open_function, sdb_close_function};

void catch_interrupts() {
  if (signal(SIGINT, SIG_IGN) != SIG_IGN) signal(SIGINT, prog_interrupt);
}

}  // namespace

int codrel_read_options(int argc, char **argv, int first) {
  int i = first;
  for (; i < argc && argv[i][0] == '-'; i++) option(argv[i], i + 1 < argc ? argv[i + 1] : nullptr);
  return i;
}

void codrel_declare_names() {
  for (const codrel_options::asm_name &b : copt.asm_names) {
    char *key = str_dup(b.name.c_str());
    if (!hash_lookup(sym_asm_defined_names(), key))
      hash_insert(sym_asm_defined_names(), key, key);
    else
      xfree(key);
    lib_want_name(b.name.c_str());
    optim_declare_uses(b.name.c_str(), b.count);
  }
  for (const codrel_options::stack_figures &n : copt.figures) {
    lib_want_name(n.name.c_str());
    optim_declare_depths(n.name.c_str(), n.first, n.second);
  }
  for (const codrel_options::call_edge &q : copt.calls) {
    lib_want_name(q.caller.c_str());
    optim_declare_call(q.caller.c_str(), q.callee.c_str());
  }
}

void prog_exit(int status) {
  if (!stdout_closed) fflush(stdout);
  sdb_close();
  exit(status);
}

int codrel_main(int argc, char **argv) {
  msg_set_component("codrel");
  msg_set_exit_hook(prog_exit);
  msg_set_error_limit(10);
  msg_set_warn_as_error(0);
  char **words = argument_words(&argc, argv);
  if (const char *chipinfo = getenv("CHIPINFO")) copt.chipinfo = chipinfo;
  copt.alloc_limit = -1;
  int i = codrel_read_options(argc, words, 1);
  if (model.feature_list_mode) copt.tracking_comments = false;
  msg_set_context(sym_current_file(), sym_current_line_ptr(), nullptr, nullptr);

  vec *inputs = nullptr;
  if (copt.input_list) {
    inputs = vec_new_default();
    for (; i < argc; i++) vec_push(inputs, words[i]);
  } else {
    if (i < argc && !freopen(words[i], "r", stdin)) {
      msg(141, "input", words[i]);
      prog_exit(1);
    }
    if (++i < argc) reopen_stdout(words[i]);
  }

  write_header();
  sym_init_types();
  codrel_declare_names();
  ra_set_tracking_comments(copt.tracking_comments);
  optim_set_debug_writer(sdb_is_open() ? &DEBUG_WRITER : nullptr);
  catch_interrupts();
  lex_read_inputs(inputs);
  vec_free(inputs);

  if (msg_error_count() == 0) {
    optim_program();
    if (model.feature_list_mode) {
      sym_write_feature_list();
    } else if (msg_error_count() == 0) {
      lex_emit_initialisers();
      emit_end();
    }
  }
  stdout_closed = true;
  if (fclose(stdout) != 0) msg(739, output_name.empty() ? "(standard output)" : output_name.c_str());
  sdb_close();
  return msg_failed() ? 1 : 0;
}
