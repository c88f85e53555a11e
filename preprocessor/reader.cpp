#include "preprocessor/reader.h"

#include <cstring>

#include "common/alert.h"
#include "preprocessor/macro.h"
#include "preprocessor/output.h"

pp_reader_state rd;

// clang-format off
const uint8_t pp_class_table[256] = {
  // NUL                                 \t
     CC_NUL, 0, 0, 0, 0, 0, 0, 0, 0, CC_BLANK, 0, 0, 0, 0, 0, 0,
  //                               0x1D         0x1F
     0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, CC_IDENT, 0, CC_BLANK,
  // blank     !   "         #  $         %  &   '         (   )   *  +  ,  -  .       /
     CC_BLANK, 27, CC_QUOTE, 0, CC_IDENT, 7, 10, CC_QUOTE, 28, 29, 5, 3, 0, 4, CC_DOT, 6,
  // 0-9                                                       :   ;  <   =   >   ?
     1, 1, 1, 1, 1, 1, 1, 1, 1, 1,                             22, 0, 15, 13, 18, 21,
  // @  A-O
     0, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2,
  // P-Z                                [  \             ]  ^   _
     2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2,   0, CC_BACKSLASH, 0, 12, 2,
  // `  a-o
     0, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2,
  // p-z                                {  |   }  ~
     2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2,   0, 11, 0, 27, 0,
};
// clang-format on

namespace {

constexpr size_t FILE_CHUNK = 1 << 16;

pp_input *free_inputs;
const wch empty_text[1] = {0};

pp_input *input_acquire() {
  pp_input *in = free_inputs;
  if (in)
    free_inputs = in->below;
  else
    in = new pp_input();
  in->below = nullptr;
  in->macro = nullptr;
  in->name = empty_text;
  in->file = nullptr;
  in->owns_file = false;
  in->first_line = false;
  in->saved_line = 0;
  in->at_eof = false;
  in->byte_pos = in->byte_len = 0;
  in->store.clear();
  return in;
}

void input_release(pp_input *in) {
  in->below = free_inputs;
  free_inputs = in;
}

// Fills the byte buffer; false at the end of the file.
bool fill_bytes(pp_input *in) {
  if (in->at_eof) return false;
  if (in->bytes.size() < FILE_CHUNK) in->bytes.resize(FILE_CHUNK);
  in->byte_len = fread(in->bytes.data(), 1, FILE_CHUNK, in->file);
  in->byte_pos = 0;
  if (in->byte_len == 0) in->at_eof = true;
  return in->byte_len != 0;
}

const char trigraph_from[] = "!'()-/<=>";
const char trigraph_to[] = "|^[]~\\{#}";

// Reads the next physical line into the input's buffer: trigraphs replaced,
// carriage returns dropped, vertical tabs, form feeds and NULs read as blanks,
// a newline added to a last line without one. False at the end of the file.
bool load_line(pp_input *in) {
  wtext &s = in->store;
  s.clear();
  bool any = false;
  for (;;) {
    if (in->byte_pos == in->byte_len && !fill_bytes(in)) break;
    any = true;
    const unsigned char *start = in->bytes.data() + in->byte_pos;
    size_t avail = in->byte_len - in->byte_pos;
    const void *nl = memchr(start, '\n', avail);
    size_t take = nl ? size_t(static_cast<const unsigned char *>(nl) - start) + 1 : avail;
    size_t old = s.size();
    s.resize(old + take);
    for (size_t k = 0; k < take; k++) s[old + k] = start[k];
    in->byte_pos += take;
    if (nl) break;
  }
  if (!any) {
    s.assign(1, 0);
    in->buf = in->pos = s.data();
    return false;
  }
  if (s.empty() || s.back() != '\n') s.push_back('\n');

  size_t w = 0;
  for (size_t r = 0; r < s.size(); r++) {
    wch c = s[r];
    if (c == '?' && r + 2 < s.size() && s[r + 1] == '?') {
      if (const char *t = strchr(trigraph_from, char(s[r + 2])); t && s[r + 2]) {
        s[w++] = wch(static_cast<unsigned char>(trigraph_to[t - trigraph_from]));
        r += 2;
        continue;
      }
    }
    if (c == '\r') continue;
    if (c == '\v' || c == '\f' || c == 0) c = ' ';
    s[w++] = c;
  }
  s.resize(w);
  s.push_back(0);
  in->buf = in->pos = s.data();
  if (in->first_line)
    in->first_line = false;
  else
    rd.line++;
  rd.line_echoed = false;
  return true;
}

void pop_file(pp_input *in) {
  if (in->owns_file) fclose(in->file);
  rd.line = in->saved_line;
  rd.top = in->below;
  out.marker_pending = true;
  input_release(in);
}

// With -C in an active line, a comment goes to the output as it is read;
// true when this one does.
bool comment_copied(wch second) {
  if (!rd.copy_comments || !out.on) return false;
  out_begin_line();
  out_raw('/');
  out_raw(second);
  return true;
}

// A block comment, the "/*" already read.
void block_comment(pp_input *in) {
  bool copy = comment_copied('*');
  for (;;) {
    wch c = *in->pos;
    if (c == 0) {
      if (!load_line(in)) {
        msg(139);
        return;
      }
      if (!copy) out.marker_pending = true;
      continue;
    }
    in->pos++;
    if (copy) out_raw(c);
    if (c == '*' && *in->pos == '/') {
      in->pos++;
      if (copy) out_raw('/');
      break;
    }
    if (c == '/' && *in->pos == '*') msg(179);
  }
  // Gone before white space; otherwise the comment reads as one blank, put
  // back into the line so that giving back a character stays simple.
  wch next = *in->pos;
  if (next != '\n' && next != 0 && !pp_is_blank(next)) {
    in->pos--;
    const_cast<wch *>(in->pos)[0] = ' ';
  }
}

// A "//" comment, the "//" already read: it ends before the newline (a line
// spliced with a backslash carries it on).
void line_comment(pp_input *in) {
  bool copy = comment_copied('/');
  for (;;) {
    const wch *p = in->pos;
    while (*p != '\n') p++;
    const wch *q = p;
    while (q > in->pos && pp_is_blank(q[-1])) q--;
    bool spliced = q > in->pos && q[-1] == '\\';
    if (copy)
      for (const wch *k = in->pos; k < (spliced ? q - 1 : p); k++) out_raw(*k);
    if (!spliced) {
      in->pos = p;
      return;
    }
    if (!load_line(in)) return;
    out.marker_pending = true;
  }
}

}  // namespace

wch rd_getc_slow() {
  for (;;) {
    pp_input *in = rd.top;
    if (!in) return 0;
    wch c = *in->pos;
    if (c == 0) {
      if (in->kind == PP_IN_FILE) {
        if (load_line(in)) continue;
        if (rd.stop_at_file_end) return 0;
        pop_file(in);
        continue;
      }
      if (in->kind == PP_IN_ARGUMENT) return 0;
      rd_pop();
      continue;
    }
    in->pos++;
    if (in->kind != PP_IN_FILE || rd.raw) return c;
    if (c == '/') {
      if (*in->pos == '*') {
        in->pos++;
        block_comment(in);
        continue;
      }
      if (*in->pos == '/') {
        in->pos++;
        line_comment(in);
        continue;
      }
      return c;
    }
    if (c == '\\') {
      const wch *p = in->pos;
      while (pp_is_blank(*p)) p++;
      if (*p != '\n') return c;
      bool spaced = p != in->pos;
      in->pos = p + 1;
      if (spaced) msg(1342);
      out.marker_pending = true;
      continue;
    }
    return c;
  }
}

void rd_unget_at_start() { msg(159); }

wch pp_getc_nonblank() {
  wch c;
  do c = pp_getc();
  while (pp_is_blank(c) || c == PP_ENDEXP);
  return c;
}

void pp_skip_line_from(wch c) {
  for (; c != '\n' && c != 0; c = pp_getc()) {
    if (pp_class(c) != CC_QUOTE) continue;
    // A quote runs to its partner or to the end of the line.
    wch q = c;
    rd.raw = true;
    for (c = pp_getc(); c != q && c != '\n' && c != 0; c = pp_getc())
      if (c == '\\') {
        c = pp_getc();
        if (c == '\n' || c == 0) break;
      }
    rd.raw = false;
    if (c == '\n' || c == 0) break;
  }
}

void pp_skip_line() { pp_skip_line_from(pp_getc()); }

void pp_end_of_directive() {
  wch c = pp_getc_nonblank();
  if (c != '\n' && c != 0) msg(163);
  pp_skip_line_from(c);
}

void rd_push_file(FILE *f, bool owns, const std::string &path, const std::string &shown_name) {
  pp_input *in = input_acquire();
  in->kind = PP_IN_FILE;
  in->file = f;
  in->owns_file = owns;
  in->first_line = true;
  in->saved_line = rd.line;
  in->path = path;
  in->wname = narrow_to_wide(shown_name.c_str());
  in->line_name.clear();
  in->name = in->wname.data();
  in->store.assign(1, 0);
  in->buf = in->pos = in->store.data();
  in->below = rd.top;
  rd.top = in;
  rd.line = 1;
  out.marker_pending = true;
}

pp_input *rd_new_text() { return input_acquire(); }

// Puts a text input read from text on top of the stack; a macro's text
// keeps the macro active until it is read.
static void push_text(pp_input *in, pp_input_kind kind, const wch *text, pp_macro *macro) {
  in->kind = kind;
  in->buf = in->pos = text;
  in->macro = macro;
  in->name = macro ? macro->name : empty_text;
  if (macro) macro->active++;
  in->below = rd.top;
  rd.top = in;
  rd.text_depth++;
}

void rd_push_text(pp_input *in, pp_input_kind kind, pp_macro *macro) {
  if (in->store.empty() || in->store.back() != 0) in->store.push_back(0);
  push_text(in, kind, in->store.data(), macro);
}

void rd_push_borrowed(const wch *text, pp_macro *macro) { push_text(input_acquire(), PP_IN_TEXT, text, macro); }

void rd_push_copy(const wch *text, size_t n) {
  pp_input *in = input_acquire();
  in->store.assign(text, text + n);
  rd_push_text(in, PP_IN_TEXT, nullptr);
}

void rd_pop() {
  pp_input *in = rd.top;
  if (!in) return;
  if (in->kind == PP_IN_FILE) {
    pop_file(in);
    return;
  }
  if (in->macro) in->macro->active--;
  rd.text_depth--;
  rd.top = in->below;
  input_release(in);
}

void rd_release_all() {
  while (rd.top) rd_pop();
  while (free_inputs) {
    pp_input *in = free_inputs;
    free_inputs = in->below;
    delete in;
  }
}

pp_input *rd_file() {
  for (pp_input *in = rd.top; in; in = in->below)
    if (in->kind == PP_IN_FILE) return in;
  return nullptr;
}

const wtext &rd_shown_name(const pp_input *in) {
  return in->line_name.empty() ? in->wname : in->line_name;
}

std::string wide_to_narrow(const wch *s, size_t n) {
  std::string r;
  r.reserve(n);
  for (size_t k = 0; k < n && s[k]; k++)
    if (!pp_is_marker(s[k])) r.push_back(char(s[k] & 0xFF));
  return r;
}

std::string wide_to_narrow(const wch *s) { return wide_to_narrow(s, wlen(s)); }

wtext narrow_to_wide(const char *s) {
  wtext r;
  for (; *s; s++) r.push_back(static_cast<unsigned char>(*s));
  r.push_back(0);
  return r;
}

size_t wlen(const wch *s) {
  size_t n = 0;
  while (s[n]) n++;
  return n;
}
