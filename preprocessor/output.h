// The preprocessed text: lines, runs of empty lines, line markers and the
// wrapping of markers inside #asm blocks.
#pragma once
#include <cstdio>

#include "preprocessor/reader.h"

struct pp_output_state {
  FILE *f;
  bool on;              // false when only the file list is wanted
  int pending;          // empty lines owed before the next text line
  bool marker_pending;  // the next text line needs a line marker
  bool in_asm;          // inside an #asm block
  bool line_open;       // the current output line has begun
  bool in_blank;        // a blank ends what was written: the next one is dropped
  bool boundary;        // an expansion edge lies before the next character
  wch last;             // the last character written
  bool named;           // a marker has named a file
  wtext last_marker_name;
  char buf[1 << 16];
  size_t n;
  bool failed;          // a write to the output failed
};
extern pp_output_state out;

void out_write(const char *s, size_t n);
inline void out_byte(char c) {
  if (out.n == sizeof out.buf) out_write(nullptr, 0);
  out.buf[out.n++] = c;
}

// Writes one character of a token; markers are never written. At an expansion
// edge a blank keeps two tokens from reading as one.
bool pp_tokens_would_join(wch a, wch b);
inline void out_put(wch c) {
  if (!out.on || pp_is_marker(c)) return;
  if (out.boundary) {
    out.boundary = false;
    if (!out.in_blank && pp_tokens_would_join(out.last, c)) out_byte(' ');
  }
  out_byte(char(c));
  out.last = c;
  out.in_blank = false;
}
// One blank for a run of white space.
void out_blank();
// Text copied as it stands (comments kept with -C).
void out_raw(wch c);
void out_str(const char *s);
// Starts a text line: the owed empty lines, or a marker in their place.
void out_begin_line();
// Ends the current text line.
void out_newline();
void out_marker();
// Writes the buffered text; false when the output failed.
bool out_flush();
