// The preprocessor's input: a stack of sources (files and macro texts) read
// one 16-bit character at a time, with trigraphs, comments and line splices
// dealt with on the way.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

typedef uint16_t wch;
typedef std::vector<wch> wtext;

// Marker characters: values no file byte can produce.
enum : wch {
  PP_STRINGISE = 32540,  // before the operand of "#" in a macro body
  PP_NOEXPAND = 32541,   // before a name that must never expand again
  PP_PASTE = 32542,      // "##" in a macro body
  PP_ENDEXP = 32543,     // edge of an expansion: a token boundary, never written
  PP_PARAM = 32639,      // + index: a parameter reference in a macro body
  PP_PARAM_LAST = 32671,
};

// Character classes; the operator characters carry their #if operator code.
enum {
  CC_OTHER = 0,
  CC_DIGIT = 1,
  CC_IDENT = 2,
  CC_QUOTE = 65,
  CC_DOT = 66,
  CC_BLANK = 67,
  CC_BACKSLASH = 68,
  CC_NUL = 69,
};

extern const uint8_t pp_class_table[256];

inline int pp_class(wch c) {
  if (c < 256) return pp_class_table[c];
  if (c == PP_NOEXPAND) return CC_IDENT;
  if (c == PP_PASTE) return CC_BLANK;
  return CC_OTHER;
}
inline bool pp_is_blank(wch c) { return pp_class(c) == CC_BLANK; }
inline bool pp_is_ident(wch c) { int k = pp_class(c); return k == CC_IDENT || k == CC_DIGIT; }
inline bool pp_is_param(wch c) { return c >= PP_PARAM && c <= PP_PARAM_LAST; }
inline bool pp_is_marker(wch c) {
  return (c >= PP_STRINGISE && c <= PP_ENDEXP) || pp_is_param(c);
}

struct pp_macro;

enum pp_input_kind {
  PP_IN_FILE,
  PP_IN_TEXT,      // a macro expansion or text given back
  PP_IN_ARGUMENT,  // an argument being expanded: reading stops at its end
};

struct pp_input {
  const wch *pos;      // read position
  const wch *buf;      // start of the line (file) or text
  pp_input *below;
  pp_input_kind kind;
  pp_macro *macro;     // the macro whose expansion this is: active while read
  const wch *name;     // 16-bit name: file path or macro name
  // Files only.
  FILE *file;
  bool owns_file;
  bool first_line;     // the first line is not read yet: the line number stays 1
  int saved_line;      // line number of the input below, restored on return
  std::vector<unsigned char> bytes;
  size_t byte_pos, byte_len;
  bool at_eof;
  std::string path;    // as opened, for the folder of quoted includes
  wtext wname;         // name shown in markers and messages
  wtext line_name;     // set by #line; empty when none
  wtext store;         // file line buffer, or the text of an owned text input
};

struct pp_reader_state {
  pp_input *top;
  int line;            // current line number of the innermost file
  int text_depth;      // text inputs on the stack: the expansion depth
  bool raw;            // copying a literal: no comments, no splices
  bool stop_at_file_end;  // looking for a macro's arguments: a file's end ends them
  bool copy_comments;  // -C and an active, non-directive line
  bool line_echoed;    // the echo hook showed the current line already
};
extern pp_reader_state rd;

// Opens nothing: pushes an open stream as the current input, line 1.
void rd_push_file(FILE *f, bool owns, const std::string &path, const std::string &shown_name);
// A text input to fill (its store) and then push.
pp_input *rd_new_text();
void rd_push_text(pp_input *in, pp_input_kind kind, pp_macro *macro);
// Pushes text that stays owned by the caller (a macro body).
void rd_push_borrowed(const wch *text, pp_macro *macro);
// Pushes a copy of a short text given back to the reader.
void rd_push_copy(const wch *text, size_t n);
void rd_pop();
void rd_release_all();

// The innermost file input, or null.
pp_input *rd_file();
// The name of a file as markers and __FILE__ show it (#line name, else its name).
const wtext &rd_shown_name(const pp_input *in);

wch rd_getc_slow();
// A give-back with nothing read from the current input: reported, not done.
void rd_unget_at_start();

// Next character, 0 at the end of all input (or of an argument being expanded).
inline wch pp_getc() {
  pp_input *in = rd.top;
  if (in) {
    wch c = *in->pos;
    if (c >= '0') {
      if (c != '\\') {
        in->pos++;
        return c;
      }
    } else if (c != 0 && c != '/') {
      in->pos++;
      return c;
    }
  }
  return rd_getc_slow();
}

// Gives back the character just read from the current input.
inline void pp_ungetc() {
  if (rd.top && rd.top->pos > rd.top->buf)
    rd.top->pos--;
  else
    rd_unget_at_start();
}

wch pp_getc_nonblank();
// Reads up to and including the newline; quotes are honoured within the line.
void pp_skip_line();
void pp_skip_line_from(wch c);
// Ends a directive line: anything but white space left on it is reported.
void pp_end_of_directive();

// Text helpers.
std::string wide_to_narrow(const wch *s);
std::string wide_to_narrow(const wch *s, size_t n);
wtext narrow_to_wide(const char *s);
size_t wlen(const wch *s);
