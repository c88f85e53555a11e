// A child program for the message tests: runs its argument words as a script
// of message-module calls, so each scenario gets a fresh module, a real
// message file and a real exit status.
//
//   load=FILE        msg_load_file          opt=WORD        msg_common_option
//   msg=N            msg(N, "word", 42)     once=N          msg_once(N, "word", 42)
//   errno=E          errno for the next msg report=N,KIND,T msg_report(N, KIND, "%s", T)
//   hooked=KIND,T    msg_report_hooked      print=T         msg_print("%s", T)
//   cont=F,T         msg_continue(F, ...)   file=F line=N   message context
//   src=TEXT@POS     line text and position, with an echo hook
//   wide=TEXT@POS    the same in 16-bit units, file name "w.c", line 12
//   level=N  werror  format  formats  limit=N  lang=ID  disl=LIST  op=N,OP
//
// At the end it prints the counters on standard output and exits with 1 when
// the run failed.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/alert.h"

namespace {

std::string context_file;
int context_line;
std::string source_text;
const char *source_start;
const char *source_position;
std::vector<uint16_t> wide_text;
const uint16_t wide_file[] = {'w', '.', 'c', 0};
const uint16_t *wide_start;
const uint16_t *wide_position;

void prog_exit(int status) {
  printf("prog_exit(%d)\n", status);
  fflush(stdout);
}

void echo_line(const char *text, const char *file) { fprintf(stderr, "ECHO[%s]:%s\n", file, text); }

void echo_wide(const uint16_t *text, const uint16_t *file) {
  std::string t, f;
  for (; *text; text++) t.push_back(char(*text));
  for (; *file; file++) f.push_back(char(*file));
  echo_line(t.c_str(), f.c_str());
}

// Splits "a,b" at the first comma (or "text@pos" at the last "@").
std::pair<std::string, std::string> split(const std::string &s, char at, bool last = false) {
  size_t i = last ? s.rfind(at) : s.find(at);
  if (i == std::string::npos) return {s, ""};
  return {s.substr(0, i), s.substr(i + 1)};
}

void run(const std::string &word) {
  auto [command, value] = split(word, '=');
  const char *v = value.c_str();
  static int pending_errno;
  if (command == "load") {
    printf("load=%d\n", msg_load_file(v));
  } else if (command == "opt") {
    msg_common_option(v);
  } else if (command == "msg") {
    errno = pending_errno;
    msg(unsigned(atoi(v)), "word", 42);
  } else if (command == "once") {
    msg_once(unsigned(atoi(v)), "word", 42);
  } else if (command == "errno") {
    pending_errno = atoi(v);
  } else if (command == "report") {
    auto [number, rest] = split(value, ',');
    auto [kind, text] = split(rest, ',');
    msg_report(unsigned(atoi(number.c_str())), kind.c_str(), "%s", text.c_str());
  } else if (command == "hooked") {
    auto [kind, text] = split(value, ',');
    msg_report_hooked(kind.c_str(), "%s", text.c_str());
  } else if (command == "print") {
    msg_print("%s", v);
  } else if (command == "cont") {
    auto [flag, text] = split(value, ',');
    msg_continue(atoi(flag.c_str()), "%s", text.c_str());
  } else if (command == "file") {
    context_file = value;
    msg_set_context(context_file.c_str(), &context_line, &source_start, &source_position);
  } else if (command == "line") {
    context_line = atoi(v);
    msg_set_context(context_file.empty() ? nullptr : context_file.c_str(), &context_line, &source_start,
                    &source_position);
  } else if (command == "src") {
    auto [text, pos] = split(value, '@', true);
    source_text = text;
    source_start = source_text.c_str();
    source_position = source_start + atoi(pos.c_str());
    msg_set_echo_hook(echo_line);
  } else if (command == "wide") {
    auto [text, pos] = split(value, '@', true);
    wide_text.assign(text.begin(), text.end());
    wide_text.push_back(0);
    wide_start = wide_text.data();
    wide_position = wide_start + atoi(pos.c_str());
    context_line = 12;
    msg_set_context_wide(wide_file, &context_line, &wide_start, &wide_position);
    msg_set_echo_hook_wide(echo_wide);
  } else if (command == "level") {
    msg_set_warn_level(atoi(v));
  } else if (command == "werror") {
    msg_set_warn_as_error(1);
  } else if (command == "format") {
    msg_set_format_mode(1);
  } else if (command == "formats") {
    msg_set_formats(nullptr, nullptr, nullptr);
  } else if (command == "limit") {
    msg_set_error_limit(uint32_t(atoi(v)));
  } else if (command == "lang") {
    printf("lang=%d\n", msg_open_language(uint32_t(atoi(v))));
  } else if (command == "disl") {
    msg_disable_list(v);
  } else if (command == "op") {
    auto [number, op] = split(value, ',');
    msg_disable_op(unsigned(atoi(number.c_str())), atoi(op.c_str()));
  } else {
    fprintf(stderr, "msg_probe: unknown command %s\n", word.c_str());
    exit(99);
  }
}

}  // namespace

int main(int argc, char **argv) {
  msg_set_component("probe");
  msg_set_exit_hook(prog_exit);
  for (int i = 1; i < argc; i++) run(argv[i]);
  printf("errors=%u warnings=%u\n", msg_error_count(), msg_warning_count());
  return msg_failed() ? 1 : 0;
}
