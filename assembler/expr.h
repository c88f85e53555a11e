// Assembler expressions: parsing, evaluation to constant or relocatable
// values, and the relocation expressions the linker evaluates.
//   or:     xor { "|" xor }          xor: and { "^" and }
//   and:    shift { "&" shift }      shift: sum { ("<<" | ">>") sum }
//   sum:    product { ("+" | "-") product }
//   product: unary { ("*" | "/") unary }
//   unary:  ("-" | "+" | "~" | "low" | "high" | "highword") unary | primary
//   primary: number | 'c' | name | "$" | "(" or ")"
// Numbers: decimal, 0x.. or a digit-led ..h in hexadecimal; a character
// constant ('A', '\n', '\x41', '\101') is the character's code.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "assembler/asm.h"

// Characters of names: a letter, "_", "?" or "@" first, then also digits and "$".
bool asm_name_start(char c);
bool asm_name_char(char c);

struct asm_expr {
  enum node_kind { NUM, NAME, DOLLAR, UNARY, BINARY } kind;
  int op = 0;  // operator character, or one of the word operators below
  int64_t num = 0;
  std::string name;
  asm_psect *psect = nullptr;  // "$": where the statement began
  uint32_t offset = 0;
  std::shared_ptr<asm_expr> left, right;
  // A name that was a "set" symbol where the expression was written: the
  // value it had there, whatever later "set"s give it.
  std::shared_ptr<const asm_value> set_value;
};

enum { EXPR_SHL = 256, EXPR_SHR, EXPR_LOW, EXPR_HIGH, EXPR_HIGHWORD };

// The whole text must be one expression; null after a message.
std::shared_ptr<asm_expr> expr_parse(asm_state *st, const std::string &text);
// A number as written (decimal, 0x.., ..h); false when the text is none.
bool expr_number(const std::string &text, int64_t *out);
// The index of the quote that closes the one at text[open] ('"' or '\''),
// a backslash escaping the character after it; text.size() when none does.
size_t asm_quote_end(const std::string &text, size_t open);
// The bytes of a quoted text, "..." or '...', with C escapes; false when
// the text is not one quoted text or an escape is malformed.
bool asm_quoted_bytes(const std::string &text, std::vector<uint8_t> *out);

enum expr_mode {
  EXPR_NOW,    // symbols must already be defined
  EXPR_FINAL,  // the whole source is read: undefined names are external
};

// False after a message (no message when quiet).
bool expr_eval(asm_state *st, const asm_expr *e, expr_mode mode, asm_value *out, bool quiet = false);
// Evaluates a symbol's value as an operand would see it.
bool expr_symbol_value(asm_state *st, asm_symbol *sym, expr_mode mode, asm_value *out, bool quiet);
// An absolute value known now; false after a message.
bool expr_absolute_now(asm_state *st, const std::string &text, int64_t *out);

// The value as a relocation-expression tree.
asm_rtree expr_tree(const asm_value &v);
// Relocation-expression bytes of a tree, ending with operator 0.
std::vector<uint8_t> expr_bytes(const asm_rtree &tree);
// One relocatable term with coefficient 1 plus a constant.
bool expr_single_term(const asm_value &v, asm_term *term, int64_t *addend);
// Operations on trees, for the fields of instructions.
asm_rtree expr_op(uint8_t op, asm_rtree left, asm_rtree right = nullptr);
asm_rtree expr_const(int64_t value);
