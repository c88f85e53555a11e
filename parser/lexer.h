// The lexer: reads preprocessed text line by line, follows line markers,
// passes "#asm" blocks and "#pragma" lines on, and makes tokens.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

struct symbol;

// Token codes. Operators and punctuation share the operator table's codes.
enum token_code {
  T_EOF = 1,
  T_SEMI = 2,
  T_RBRACE = 3,
  T_LBRACE = 4,
  T_STORAGE = 5,
  T_ELLIPSIS = 13,
  T_QUAL = 16,
  K_PRAGMA = 19, K_ASM = 20, K_AUTO = 21, K_BREAK = 22, K_CASE = 23, K_CHAR = 24,
  K_CONTINUE = 25, K_DEFAULT = 26, K_DO = 27, K_DOUBLE = 28, K_ELSE = 29, K_ENUM = 30,
  K_EXTERN = 31, K_FLOAT = 32, K_FOR = 33, K_GOTO = 34, K_IF = 35, K_INT = 36,
  K_LONG = 37, K_REGISTER = 38, K_RETURN = 39, K_SHORT = 40, K_SIGNED = 41,
  K_SIZEOF = 42, K_STATIC = 43, K_STRUCT = 44, K_SWITCH = 45, K_TYPEDEF = 46,
  K_UNION = 47, K_UNSIGNED = 48, K_VOID = 49, K_WHILE = 50, K_BIT = 51,
  T_KEYWORD = 52,  // a keyword defined by "-T"
  T_LPAREN = 62,
  T_RPAREN = 63,
  T_LBRACKET = 65,
  T_RBRACKET = 66,
  T_DOT = 67,
  T_ARROW = 68,
  T_IDENT = 116,
  T_INTCONST = 117,
  T_STRING = 119,
  T_AT = 126,
  T_FLOATCONST = 128,
  T_ITTYPE = 136,
  T_UNIQUE_ID = 137,
  T_ENUM_LABEL = 138,
  T_ATTRIBUTE = 139,
};

struct token {
  int code;
  int32_t value;     // integer value, keyword code, qualifier bits
  uint32_t tcode;    // type code of an integer or floating constant
  symbol *sym;       // identifier: its record (null in member look-ups)
  std::string text;  // identifier name, string bytes, floating text
  struct qual_keyword *keyword;  // T_KEYWORD
};

extern token tok;             // current token
extern int lex_lineno;        // line number of the current line
extern const char *lex_file;  // current file name (interned)
extern const char *lex_input_name;
extern bool lex_two_byte;     // "#pragma jis"
extern uint32_t lex_line_seq; // count of lines read

bool lex_open(FILE *in, const char *name);
void lex_next();
// The token after the current one (read ahead once).
const token &lex_peek();
// The current token must be `code`; otherwise message 312 and a skip.
bool lex_expect(int code, const char *text);
void lex_skip_statement();
// Re-looks the current identifier up (after a name-space switch changed).
void lex_relookup();
// Peeks at the character after the current token (blanks skipped, same line).
int lex_peek_char();
// The collector keeps the symbols of the tokens in hand.
void lex_mark_live(void (*mark)(symbol *));
// Message hooks: context and source-line echo.
void lex_pre_message();
void lex_echo_line(const char *line, const char *file);
extern const char *lex_current_function;
// Source lines queued for "-S" comment records.
void lex_flush_comments(FILE *out);
void lex_close();
