#include "common/getargs.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/alert.h"
#include "common/alloc.h"

int getargs_argc;

namespace {

constexpr size_t WORD_MAX = 255;
constexpr size_t LINE_SIZE = 8192;  // a line of 8190 characters and its newline fit

// The text being split: a command string, or the current line of standard
// input, refilled line by line.
struct arg_source {
  const char *text;
  size_t pos;
  bool from_stdin;
  bool tty;
  bool line_cut;  // the last line filled the buffer; its rest comes next
  bool at_eof;
  const char *prompt;
  char *line;
};

// Carriage returns count as blanks so that files with CR LF line ends read
// like any other.
bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool needs_line(const arg_source &s) {
  if (!s.from_stdin || s.at_eof) return false;
  const char *p = s.text + s.pos;
  if (p[0] == '\\' && (p[1] == '\0' || p[1] == '\n' || p[1] == '\r')) return true;
  // Piped input runs on as one text; a cut line continues on a terminal too.
  return p[0] == '\0' && (!s.tty || s.line_cut);
}

// Reads the next line of standard input (at most LINE_SIZE - 1 characters).
void read_line(arg_source &s) {
  if (s.tty && !s.line_cut) {
    fprintf(stderr, "%s> ", s.prompt);
    fflush(stderr);
  }
  size_t n = 0;
  int c = 0;
  while (n < LINE_SIZE - 1 && (c = getchar()) != EOF) {
    s.line[n++] = c ? char(c) : ' ';  // a stray NUL must not end the text early
    if (c == '\n') break;
  }
  s.line[n] = '\0';
  s.text = s.line;
  s.pos = 0;
  s.line_cut = n == LINE_SIZE - 1 && s.line[n - 1] != '\n';
  if (n == 0 && c == EOF) s.at_eof = true;
  if (s.line_cut) msg(337);
}

char peek(arg_source &s) {
  while (needs_line(s)) read_line(s);
  return s.text[s.pos];
}

char next(arg_source &s) {
  char c = peek(s);
  if (c) s.pos++;
  return c;
}

char **split_words(arg_source &s) {
  std::vector<char *> words;
  words.push_back(str_dup(""));
  std::string word;
  while (peek(s)) {
    while (is_blank(peek(s))) next(s);
    char c = peek(s);
    if (!c) break;
    char quote = 0;
    if (c == '"' || c == '\'') {
      quote = c;
      next(s);
    }
    word.clear();
    bool reported = false;
    while ((c = peek(s))) {
      if (!quote && is_blank(c)) break;
      if (c == quote)
        quote = 0;
      else if (!quote && (c == '"' || c == '\''))
        quote = c;
      else if (word.size() < WORD_MAX)
        word.push_back(c);
      else if (!reported) {  // once per word; the rest of the word is dropped
        msg(917, 0);
        reported = true;
      }
      next(s);
    }
    words.push_back(str_dup(word.c_str()));
  }
  getargs_argc = int(words.size());
  char **argv = static_cast<char **>(xalloc((words.size() + 1) * sizeof(char *)));
  for (size_t i = 0; i < words.size(); i++) argv[i] = words[i];
  return argv;
}

}  // namespace

char **getargs(char *string, const char *prompt) {
  arg_source s{};
  s.prompt = prompt ? prompt : "";
  if (string) {
    size_t n = strlen(string);
    while (n && (string[n - 1] == ' ' || string[n - 1] == '\r')) string[--n] = '\0';
    while (*string == ' ') string++;
    s.text = string;
    return split_words(s);
  }
  // Reading begins as though the text were a lone backslash: a continuation
  // that reads the first line.
  s.text = "\\";
  s.from_stdin = true;
  s.tty = isatty(STDIN_FILENO);
  std::vector<char> line(LINE_SIZE);
  s.line = line.data();
  return split_words(s);
}

int getargs_reopen_stdin(const char *name) {
  int fd = open(name, O_RDONLY);
  if (fd < 0) {
    msg(141, "command", name);
    return 0;
  }
  dup2(fd, STDIN_FILENO);
  close(fd);
  clearerr(stdin);
  return 1;
}

// The program's words live as long as the program does.
static char **program_words;

char **getargs_main(int *argc, char **argv, const char *prompt) {
  if (*argc <= 1) {
    program_words = getargs(nullptr, prompt);
  } else if (*argc == 2 && argv[1][0] == '@') {
    if (getargs_reopen_stdin(argv[1] + 1)) {
      program_words = getargs(nullptr, prompt);
    } else {
      program_words = static_cast<char **>(xalloc(2 * sizeof(char *)));
      program_words[0] = str_dup("");
      getargs_argc = 1;
    }
  } else {
    return argv;
  }
  *argc = getargs_argc;
  return program_words;
}
