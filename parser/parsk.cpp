#include "parser/parsk.h"

#include <cctype>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>
#include <strings.h>
#include <unistd.h>
#include <vector>

#include "common/alert.h"
#include "common/alloc.h"
#include "common/getargs.h"
#include "common/osdep.h"
#include "common/registry.h"
#include "parser/expressions.h"
#include "parser/icwriter.h"
#include "parser/lexer.h"
#include "parser/pragmas.h"
#include "parser/statements.h"
#include "parser/symbols.h"
#include "parser/types.h"
#include "parser/xref.h"

parsk_options popt;

namespace {

char *output_path;
char *body_path;
char **read_args;  // argument words read from standard input or a file
bool cleaned;
bool output_complete;

// Options that need the qualifier table complete are applied after the
// whole command line was read.
struct deferred_options {
  std::vector<std::string> qualifiers;  // -Q
  std::vector<std::string> keywords;    // -T
  std::vector<std::string> pragmas;     // -G
  const char *auto_list = nullptr;      // -A
  const char *copy_list = nullptr;      // -I
  const char *sizes = nullptr;          // -Z
  const char *xref_name = nullptr;      // -C
  bool xref = false;
  const char *proto_name = nullptr;     // -P / -p
  bool proto_perror = false;
};

// Only async-signal-safe work here: the temporaries and the unfinished
// output are unlinked, then the process ends.
void on_signal(int) {
  if (body_path) unlink(body_path);
  if (const char *spool = ic_spool_path()) unlink(spool);
  if (output_path) unlink(output_path);
  _exit(4);
}

void catch_signal(int sig) {
  struct sigaction old {};
  sigaction(sig, nullptr, &old);
  if (old.sa_handler == SIG_IGN) return;
  struct sigaction sa {};
  sa.sa_handler = on_signal;
  sigemptyset(&sa.sa_mask);
  sigaction(sig, &sa, nullptr);
}

int ident_limit(int n) {
  if (n <= 30) return 31;
  if (n > 255) return 255;
  return n;
}

std::string default_xref_name(const char *input) {
  std::string name = input ? input : "";
  size_t slash = name.find_last_of('/');
  size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) name.resize(dot);
  return name + ".crf";
}

// One option word; false for an unknown one (message 168 reported).
bool option(const char *arg, deferred_options &d) {
  if (arg[1] == '-') {
    const char *o = arg + 2;
    if (!strcmp(o, "shroud")) popt.shroud = true;
    else if (!strncmp(o, "edf=", 4)) {
      if (!msg_load_file(o + 4)) fprintf(stderr, "Could not open error description file %s\n", o + 4);
    } else if (!strncmp(o, "disl=", 5)) {
      for (const char *p = o + 5; *p;) {
        unsigned n = (unsigned)strtoul(p, (char **)&p, 10);
        if (n) msg_disable_op(n, MSG_DISABLE_HIDE);
        while (*p && *p != ',') p++;
        if (*p == ',') p++;
      }
    } else if (!strncmp(o, "emax=", 5)) {
      msg_set_error_limit((uint32_t)atoi(o + 5));
    } else if (!strncmp(o, "msgdisable=", 11)) {
      msg_disable_list(o + 11);
    } else if (!strcmp(o, "ver")) {
      print_product_banner();
      exit(0);
    } else if (!strncmp(o, "fipath=", 7)) {
      popt.fipath = o + 7;
    } else {
      msg(168, arg);
      return false;
    }
    return true;
  }
  const char *rest = arg + 2;
  switch (arg[1]) {
    case 'A': case 'a':
      d.auto_list = rest;
      break;
    case 'B': case 'b':
      popt.bit_keyword = true;
      break;
    case 'C': case 'c':
      d.xref = true;
      d.xref_name = *rest ? rest : nullptr;
      break;
    case 'D': case 'd':
      break;
    case 'E': case 'e':
      if (!*rest) popt.echo_level = 1;
      else if (isdigit((unsigned char)rest[0]) && !rest[1]) popt.echo_level = rest[0] - '0';
      else {
        if (freopen(rest, "a", stderr)) {
          static char ebuf[512];
          setvbuf(stderr, ebuf, _IOLBF, sizeof ebuf);
        }
      }
      msg_set_format_mode(popt.echo_level);
      break;
    case 'F': case 'f':
      if (!strcasecmp(rest, "p")) popt.feature_records = true;
      else popt.far_persistent = true;
      break;
    case 'G': case 'g':
      d.pragmas.push_back(rest);
      break;
    case 'I': case 'i':
      if (*rest == '=') {
        popt.copy_assign = true;
        rest++;
      }
      d.copy_list = rest;
      break;
    case 'J': case 'j':
      popt.short_long = true;
      break;
    case 'L': case 'l':
      popt.listing = true;
      break;
    case 'M': case 'm':
      popt.main_exit = true;
      break;
    case 'N': case 'n':
      popt.ident_limit = ident_limit(atoi(rest));
      break;
    case 'O': case 'o':
      popt.long_long = true;
      break;
    case 'P':
      popt.proto_no_oldstyle = true;
      d.proto_name = rest;
      d.proto_perror = false;
      break;
    case 'p':
      d.proto_name = rest;
      d.proto_perror = true;
      break;
    case 'Q': case 'q':
      d.qualifiers.push_back(rest);
      break;
    case 'R': case 'r':
      if (!strcasecmp(rest, "I")) popt.builtins = true;
      else popt.auto_assign = true;
      break;
    case 'S': case 's':
      if (!strcmp(arg, "-strict")) popt.strict = true;
      else popt.source_comments = true;
      break;
    case 'T': case 't':
      d.keywords.push_back(rest);
      break;
    case 'U': case 'u':
      popt.unsigned_char = true;
      break;
    case 'V': case 'v':
      popt.no_tail_merge = true;
      break;
    case 'W': case 'w':
      popt.warn_level = atoi(rest);
      if (strchr(rest, '!')) msg_set_warn_as_error(1);
      msg_set_warn_level(popt.warn_level);
      break;
    case 'Y': case 'y':
      popt.bitfield_mode++;
      break;
    case 'Z': case 'z':
      d.sizes = rest;
      break;
    default:
      msg(168, arg);
      return false;
  }
  return true;
}

FILE *open_input(const char *path) {
  FILE *f = path ? fopen(path, "rb") : stdin;
  if (!f) {
    msg(141, "input", path);
    return nullptr;
  }
  static char ibuf[4096];
  setvbuf(f, ibuf, _IOFBF, sizeof ibuf);
  return f;
}

bool copy_body() {
  fflush(ic_body);
  if (fseek(ic_body, 0, SEEK_SET) != 0) {
    msg(302, body_path);
    return false;
  }
  char buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, ic_body)) > 0) fwrite(buf, 1, n, stdout);
  return true;
}

}  // namespace

void prog_cleanup(int status) {
  if (cleaned) return;
  cleaned = true;
  fflush(stdout);
  if (ic_body) {
    fclose(ic_body);
    ic_body = nullptr;
  }
  if (body_path) remove(body_path);
  ic_spool_close(true);
  xref_close();
  proto_close();
  fclose(stdin);
  lex_close();
  expr_release();
  sym_release();
  types_release();
  if (read_args) {
    for (char **a = read_args; *a; a++) xfree(*a);
    xfree(read_args);
    read_args = nullptr;
  }
  if (!output_complete || status != 0) {
    // A failed run leaves no output that could pass for a good one.
    if (output_path) {
      fclose(stdout);
      remove(output_path);
    }
  } else {
    fclose(stdout);
  }
}

int parsk_main(int argc, char **argv) {
  msg_set_component("parser");
  msg_set_exit_hook(prog_cleanup);
  msg_set_formats(nullptr, nullptr, nullptr);
  msg_set_pre_hook(lex_pre_message);
  msg_set_echo_hook(lex_echo_line);
  popt = parsk_options{};
  popt.ident_limit = 31;
  types_init();
  sym_init();

  char **args = argv;
  int count = argc;
  if (argc == 2 && argv[1][0] == '@') {
    if (!freopen(argv[1] + 1, "r", stdin)) {
      msg(141, "command", argv[1] + 1);
      prog_cleanup(1);
      return 1;
    }
    args = read_args = getargs(nullptr, "parsk");
    count = getargs_argc;
  } else if (argc == 1) {
    args = read_args = getargs(nullptr, "parsk");
    count = getargs_argc;
  }

  deferred_options d;
  int i = 1;
  for (; i < count && args[i][0] == '-' && args[i][1]; i++)
    if (!option(args[i], d)) exit(-1);
  const char *input = i < count ? args[i++] : nullptr;
  if (input && !strcmp(input, "-")) input = nullptr;  // "-": standard input, as for prevo
  output_path = i < count ? str_dup(args[i++]) : nullptr;
  const char *spool = i < count ? args[i++] : nullptr;

  if (popt.strict) popt.bit_keyword = false;
  for (auto &q : d.qualifiers) qual_define(q.c_str());
  for (auto &k : d.keywords) keyword_define(k.c_str());
  if (d.sizes) size_table_set(d.sizes);
  if (d.auto_list) qual_auto_allowed = qual_list(d.auto_list, 229, 230);
  if (d.copy_list) qual_copy_quals = qual_list(d.copy_list, 231, 232);

  const char *input_name = input ? input : "(stdin)";
  FILE *in = open_input(input);
  if (!in) {
    prog_cleanup(1);
    return 1;
  }
  if (output_path && !freopen(output_path, "w", stdout)) {
    msg(141, "output", output_path);
    xfree(output_path);
    output_path = nullptr;
    prog_cleanup(1);
    return 1;
  }
  static char obuf[65536];
  setvbuf(stdout, obuf, _IOFBF, sizeof obuf);
  if (d.xref) {
    std::string name = d.xref_name ? d.xref_name : default_xref_name(input_name);
    xref_open(name.c_str(), input_name);
  }
  if (d.proto_name) proto_open(d.proto_name, d.proto_perror);
  if (popt.fipath) fi_open_dir(popt.fipath);
  catch_signal(SIGINT);
  catch_signal(SIGTERM);

  body_path = os_tempname();
  ic_body = body_path ? fopen(body_path, "wb+") : nullptr;
  std::string spool_name = spool ? spool : "";
  if (!spool) {
    char *t = os_tempname();
    spool_name = t ? t : "";
    xfree(t);
  }
  if (!ic_body || spool_name.empty() || !ic_spool_open(spool_name.c_str())) {
    msg(141, "temporary", !ic_body ? (body_path ? body_path : "") : spool_name.c_str());
    prog_cleanup(1);
    return 1;
  }
  static char bbuf[65536];
  setvbuf(ic_body, bbuf, _IOFBF, sizeof bbuf);
  ic_head = stdout;

  lex_open(in, input_name);
  ic_version();
  for (auto &g : d.pragmas) pragma_line(g.c_str());
  parse_program();
  lex_close();

  copy_body();
  ic_write_strings();
  if (fflush(stdout) != 0 || ferror(stdout)) msg(234, output_path ? output_path : "(stdout)");
  output_complete = true;
  int status = msg_failed() ? 1 : 0;
  prog_cleanup(status);
  return status;
}
