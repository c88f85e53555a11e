#include "codegen/model/lexin.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>

#include "codegen/model/symbols.h"
#include "common/alert.h"
#include "common/alloc.h"
#include "common/osdep.h"
#include "linker/lib.h"

namespace {

char token_buffer[LEX_TOKEN_MAX + 1];
std::string source_folder;

bool is_blank(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

// A line marker: the number is the new line; the rest of the line, when the
// marker did not end it, names the new file.
void read_line_marker(lex_stream *s, const char *token) {
  int line = atoi(token + 1);
  std::string file;
  if (s->last_end != '\n' && s->last_end != EOF) {
    int c;
    while ((c = lex_getc(s)) != EOF && c != '\n') file += char(c);
    s->last_end = c;
    size_t start = file.find_first_not_of(" \t");
    file = start == std::string::npos ? "" : file.substr(start);
    while (!file.empty() && (file.back() == ' ' || file.back() == '\t')) file.pop_back();
  }
  if (!file.empty() && !source_folder.empty()) {
    std::string candidate = source_folder + "/" + os_basename(file.c_str());
    if (os_file_exists(candidate.c_str())) file = candidate;
  }
  sym_set_position(file.empty() ? nullptr : file.c_str(), line);
}

}  // namespace

lex_stream *lex_open_text(const char *text) {
  lex_stream *s = static_cast<lex_stream *>(xalloc(sizeof(lex_stream)));
  s->text = text ? text : "";
  s->remaining = -1;
  return s;
}

lex_stream *lex_open_file(FILE *file, long count) {
  lex_stream *s = static_cast<lex_stream *>(xalloc(sizeof(lex_stream)));
  s->file = file;
  s->remaining = count;
  return s;
}

void lex_close(lex_stream *s) { xfree(s); }

int lex_getc(lex_stream *s) {
  for (;;) {
    if (s->remaining == 0) return EOF;
    if (!s->file) {
      unsigned char c = static_cast<unsigned char>(s->text[s->pos]);
      if (c == 0) return EOF;
      s->pos++;
      return c;
    }
    int c = fgetc(s->file);
    if (c == EOF) {
      s->remaining = 0;
      return EOF;
    }
    if (s->remaining > 0) s->remaining--;
    if (s->descramble) {
      s->counter++;
      c ^= s->counter ^ lib_scramble_table[s->counter % 32];
    }
    if (c == '\r') continue;
    return c;
  }
}

const char *lex_token(lex_stream *s) {
  for (;;) {
    int c;
    do c = lex_getc(s);
    while (c != EOF && is_blank(c));
    if (c == EOF) {
      s->last_end = EOF;
      return nullptr;
    }
    size_t n = 0;
    while (c != EOF && !is_blank(c)) {
      if (n < LEX_TOKEN_MAX) token_buffer[n++] = char(c);
      c = lex_getc(s);
    }
    token_buffer[n] = 0;
    s->last_end = c;
    if (token_buffer[0] != '"') return token_buffer;
    read_line_marker(s, token_buffer);
  }
}

bool lex_expect(lex_stream *s, char expected) {
  int c;
  do c = lex_getc(s);
  while (c != EOF && is_blank(c));
  if (c == expected) return true;
  char seen[2] = {char(c == EOF ? 0 : c), 0};
  msg(714, c == EOF ? "end of input" : seen);
  return false;
}

void lex_skip_record(lex_stream *s) {
  while (const char *tok = lex_token(s))
    if (strcmp(tok, "]") == 0) return;
}

void lex_expect_close(lex_stream *s) {
  const char *tok = lex_token(s);
  if (tok && strcmp(tok, "]") == 0) return;
  msg(714, tok ? tok : "end of input");
  if (tok) lex_skip_record(s);
}

bool lex_gets(char *buffer, size_t size, lex_stream *s) {
  size_t n = 0;
  int c = 0;
  while (n + 1 < size && (c = lex_getc(s)) != EOF && c != '\n') buffer[n++] = char(c);
  buffer[n] = 0;
  if (c != '\n' && c != EOF && n + 1 >= size) {
    // The line was longer than the buffer: the rest is dropped.
    while ((c = lex_getc(s)) != EOF && c != '\n') {
    }
  }
  return n > 0 || c == '\n';
}

bool lex_check_version(lex_stream *s) {
  char line[LEX_VERSION_LINE];
  int major = 0, minor = 0;
  bool read = lex_gets(line, sizeof line, s);
  if (read && sscanf(line, "Version %d.%d", &major, &minor) == 2 && major == LEX_VERSION_MAJOR &&
      minor >= LEX_VERSION_MINOR)
    return true;
  msg(718, LEX_VERSION_MAJOR, LEX_VERSION_MINOR);
  return false;
}

void lex_set_source_folder(const char *folder) { source_folder = folder ? folder : ""; }
