// Reading the intermediate code: byte, token and line readers over a file or
// a text in memory. Tokens are separated by white space; a token starting
// with a double quote is a line marker, which sets the current position and
// is never returned. A stream over a p-code library module unscrambles its
// bytes as it reads them.
#pragma once
#include <cstdint>
#include <cstdio>

struct tree_node;

struct lex_stream {
  FILE *file;           // null when reading a text
  const char *text;
  size_t pos;
  tree_node *previous;  // the tree that back-references start from
  long remaining;       // bytes left; -1 unlimited
  int last_end;         // the character that ended the last token
  bool descramble;      // bytes are scrambled as in a p-code library module
  uint8_t counter;      // bytes unscrambled so far, modulo 256
};

enum { LEX_TOKEN_MAX = 510 };

lex_stream *lex_open_text(const char *text);
lex_stream *lex_open_file(FILE *file, long count);
// Frees the stream (the file stays open; the previous tree is the caller's).
void lex_close(lex_stream *s);
int lex_getc(lex_stream *s);  // EOF at the end
// The next token in a buffer that the next call overwrites; null at the end.
const char *lex_token(lex_stream *s);
// Skips white space; the character must follow (message 714 otherwise).
bool lex_expect(lex_stream *s, char c);
// Skips to the closing "]" of a record, past it.
void lex_skip_record(lex_stream *s);
// The record must end here with "]"; anything else is message 714 and the
// record is skipped.
void lex_expect_close(lex_stream *s);
// The rest of the line (up to size - 1 bytes); false at the end of input.
bool lex_gets(char *buffer, size_t size, lex_stream *s);

// The version line every input from a file begins with: "Version 3.2" or a
// later minor number (message 718 otherwise); true when it is acceptable.
enum { LEX_VERSION_MAJOR = 3, LEX_VERSION_MINOR = 2, LEX_VERSION_LINE = 80 };
bool lex_check_version(lex_stream *s);

// While library modules are read, a line marker's file name whose last
// component exists in this folder is replaced by that path (null: off).
void lex_set_source_folder(const char *folder);
