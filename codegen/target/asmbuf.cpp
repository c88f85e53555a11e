#include "codegen/target/asmbuf.h"

#include <unistd.h>

#include <cstdarg>
#include <cstdio>

#include "codegen/model/progstate.h"
#include "codegen/model/target_services.h"
#include "common/alert.h"

namespace {

struct out_state {
  std::string line;
  std::string *sink = nullptr;
  bool in_psect_switch = false;
  bool holding = false;
  std::vector<std::string> held;
};
out_state &st() {
  static out_state &state = *new out_state();
  return state;
}

void write_line(const std::string &text) {
  if (st().holding) {
    st().held.push_back(text);
    return;
  }
  if (st().sink)
    *st().sink += text;
  else
    fwrite(text.data(), 1, text.size(), stdout);
}

}  // namespace

void out_putc(char c) {
  out_state &s = st();
  if (s.line.capacity() == s.line.size()) s.line.reserve(s.line.size() + 256);
  // A carriage return is kept as a newline inside the line; only a real
  // newline ends it.
  s.line += c == '\r' ? '\n' : c;
  if (c != '\n') return;
  std::string done;
  done.swap(s.line);
  if (model.output_suppressed) return;
  // The psect switch writes its own line through this buffer first.
  if (!s.in_psect_switch) {
    s.in_psect_switch = true;
    emit_psect(nullptr, 0);
    s.in_psect_switch = false;
  }
  write_line(done);
}

void out_printf(const char *format, ...) {
  char buffer[4096];
  va_list args;
  va_start(args, format);
  vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  for (const char *p = buffer; *p; p++) out_putc(*p);
}

void out_hold() {
  out_release_held(nullptr);
  st().holding = true;
}

void out_release_held(void (*transform)(std::vector<std::string> &lines)) {
  out_state &s = st();
  s.holding = false;
  std::vector<std::string> lines;
  lines.swap(s.held);
  if (transform) transform(lines);
  for (const std::string &line : lines) write_line(line);
}

const std::string &out_pending_line() { return st().line; }
void out_capture(std::string *sink) { st().sink = sink; }

void prog_interrupt(int) { _exit(151); }

void assert_fail(const char *expression, const char *file, int line) {
  fprintf(stderr, "Assertion failed - %s (%s, line %d)\n", expression, file, line);
  msg(1058, file, line);
}
