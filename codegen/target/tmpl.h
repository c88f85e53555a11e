// The template language of code templates and result texts, and the smaller
// substitution language of rewrite texts: one reader of both, used by the
// pattern generator to refuse broken templates and by template expansion to
// walk them.
//
// Code templates and result texts (TMPL_CODE):
//   template  := { item }
//   item      := plain | "\n" | "\r" | " " | ";" | ";;" | "`" | "~~"
//              | "~" digits "/" digits          byte selection, part i of n
//              | "~9"                           drops the pending selection
//              | "~" ("L" | "R" | "N")          an operand's result text
//              | "~U"                           the nesting counter
//              | ["~"] macro                    "~" only before G, X, Y
//              | "L" | "R"                      an operand's result text
//   macro     := letter [digits if G, X or Y] { modifier } selector
//   letter    := A B C D DD E G H I N O P Q S T V W X Y Z
//   modifier  := ("+" | "-") [digits | "!"] | "<"... | ">"... | "!"
//              | "=" ["-"] digits | digits | "/" digits
//   selector  := "N" | "L" | "R" | "U" | "J" ("0" | "1")...
// Any other upper-case letter is an error; every other character is plain.
// A template that begins "#error" is one text, never expanded.
//
// Rewrite texts (TMPL_SUBST): "T", "C", "A", "N", "O", "Q", "W" or "Z", an
// optional digit and a selector "N", "L" or "R" make a macro; every other
// character is copied, so every text reads.
#pragma once
#include <cstdint>
#include <string>

enum tmpl_grammar { TMPL_CODE, TMPL_SUBST };

enum tmpl_kind : uint8_t {
  TK_PLAIN,        // a run of characters printed as they are
  TK_NEWLINE,
  TK_RETURN,
  TK_BLANK,
  TK_STOP,         // ";": expansion ends
  TK_SEMI_STOP,    // ";;": prints ";" and ends
  TK_SEMICOLON,    // "`": prints ";"
  TK_TILDE,        // "~~": prints "~"
  TK_BYTE_SELECT,  // "~i/n"
  TK_DROP_SELECT,  // "~9"
  TK_MACRO,
};

struct tmpl_item {
  tmpl_kind kind;
  const char *start;  // the item's text in the template
  uint32_t length;
  // TK_BYTE_SELECT
  uint32_t byte_index, byte_divisor;
  // TK_MACRO: the letter ('L' or 'R' alone: the operand's result text; 'U'
  // after "~": the nesting counter); "~" before it; "DD".
  char letter;
  bool tilde;
  bool double_d;
  char parts[8];  // digits after G, X or Y, 0-terminated
  char sign;      // '+' or '-' modifier, 0 when none
  bool sign_bang;
  bool has_offset;
  int32_t offset;
  char run;       // '<' or '>', 0 when none
  uint32_t run_length;
  bool bang;
  bool equals;    // "=" with its number in `number`
  bool has_number;
  int32_t number;
  uint32_t divisor;
  char selector;  // 'N', 'L', 'R', 'U' or 'J'
  char path[16];  // the digits after J, 0-terminated
};

// Reads one item at `text` (not at its end). Answers the text after it, or
// null with `error` set to what is wrong.
const char *tmpl_next(const char *text, tmpl_grammar grammar, tmpl_item *item, std::string *error);
// A template that reports an error when chosen; it is never expanded.
bool tmpl_is_error_text(const char *text);
// Reads a whole template; false with the error and its offset in the text.
bool tmpl_check(const char *text, tmpl_grammar grammar, std::string *error, uint32_t *offset);
// True when a macro of the template names a register (G, S, X or Y).
bool tmpl_names_register(const char *text);
