#include "preprocessor/output.h"

#include <cstring>

pp_output_state out;

void out_write(const char *s, size_t n) {
  if (out.n && out.f && fwrite(out.buf, 1, out.n, out.f) != out.n) out.failed = true;
  out.n = 0;
  if (n && out.f && fwrite(s, 1, n, out.f) != n) out.failed = true;
}

bool out_flush() {
  out_write(nullptr, 0);
  if (out.f && fflush(out.f) != 0) out.failed = true;
  return !out.failed;
}

// Pairs that the parser would read as one token: a name or number running
// on, the start of a two-character operator, or of a comment.
bool pp_tokens_would_join(wch a, wch b) {
  if (a >= 256 || b >= 256) return false;
  if (pp_is_ident(a)) return pp_is_ident(b) || b == '.' || b == '\'' || b == '"';
  if (a == '.') return pp_class(b) == CC_DIGIT || b == '.';
  static const char pairs[] = "++--<<>><=>===!=&&||*=/=%=+=-=&=^=|=->##/*//";
  for (const char *p = pairs; *p; p += 2)
    if (p[0] == char(a) && p[1] == char(b)) return true;
  return false;
}

void out_blank() {
  if (!out.on || out.in_blank) return;
  out_byte(' ');
  out.last = ' ';
  out.in_blank = true;
  out.boundary = false;
}

void out_raw(wch c) {
  if (!out.on || pp_is_marker(c)) return;
  out_byte(char(c));
  out.last = c;
  out.in_blank = false;
  out.boundary = false;
}

void out_str(const char *s) {
  while (*s) out_raw(wch(static_cast<unsigned char>(*s++)));
}

void out_marker() {
  out.marker_pending = false;
  out.pending = 0;
  if (!out.on) return;
  int line = rd.line;
  if (out.in_asm) {
    line--;
    out_str("\n#endasm");
  }
  char number[32];
  snprintf(number, sizeof number, "\n# %d", line);
  out_str(number);
  if (pp_input *file = rd_file()) {
    const wtext &name = rd_shown_name(file);
    if (!out.named || out.last_marker_name != name) {
      out_str(" \"");
      for (wch c : name)
        if (c) out_raw(c);
      out_raw('"');
      out.last_marker_name = name;
      out.named = true;
    }
  }
  if (out.in_asm) out_str("\n#asm");
  out_raw('\n');
  out.in_blank = false;
}

void out_begin_line() {
  if (out.line_open) return;
  out.line_open = true;
  out.in_blank = false;
  out.boundary = false;
  if (out.marker_pending || out.pending > 4) {
    out_marker();
    return;
  }
  for (; out.pending > 0; out.pending--) out_raw('\n');
}

void out_newline() {
  out_raw('\n');
  out.line_open = false;
  out.in_blank = false;
  out.boundary = false;
}
