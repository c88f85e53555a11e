#include "codegen/target/asmbuf.h"

#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

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

// The line just ended by a newline is written, after any psect switch.
void end_line() {
  out_state &s = st();
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

// Text as out_putc would take it one character at a time, in runs.
void out_text(const char *p, size_t n) {
  const char *end = p + n;
  while (p < end) {
    const char *stop = p;
    while (stop < end && *stop != '\n' && *stop != '\r') stop++;
    st().line.append(p, stop);
    if (stop == end) return;
    // A carriage return is kept as a newline inside the line; only a real
    // newline ends it.
    st().line += '\n';
    if (*stop == '\n') end_line();
    p = stop + 1;
  }
}

}  // namespace

void out_putc(char c) { out_text(&c, 1); }

void out_printf(const char *format, ...) {
  // Most of the text is a plain string or one string argument, whole or
  // a part of it: it needs no formatting.
  if (!strchr(format, '%')) {
    out_text(format, strlen(format));
    return;
  }
  va_list args;
  va_start(args, format);
  if (format[0] == '%' && format[1] == 's' && !format[2]) {
    const char *text = va_arg(args, const char *);
    va_end(args);
    if (!text) text = "(null)";
    out_text(text, strlen(text));
    return;
  }
  if (strcmp(format, "%.*s") == 0) {
    int most = va_arg(args, int);
    const char *text = va_arg(args, const char *);
    va_end(args);
    if (!text) text = "(null)";
    out_text(text, most < 0 ? strlen(text) : strnlen(text, size_t(most)));
    return;
  }
  char buffer[4096];
  va_list again;
  va_copy(again, args);
  int n = vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  if (n >= int(sizeof buffer)) {
    // A longer line is written whole.
    std::string text(size_t(n) + 1, '\0');
    vsnprintf(text.data(), text.size(), format, again);
    out_text(text.data(), strlen(text.data()));
  } else if (n > 0) {
    // Text stops at a null character, as it always has.
    out_text(buffer, strlen(buffer));
  }
  va_end(again);
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
