// String literals and floating constants of the program. The parser leaves
// out the tail a literal shares with the literal after it; the reader gives
// every literal all of its bytes back, and after all input literals whose
// bytes end another literal of the same qualifiers become equates into it.
#pragma once
#include <cstdint>
#include <vector>

struct lex_stream;
struct symbol;
struct tree_node;

struct string_literal {
  symbol *sym;                 // "STR_%ld"
  long label;
  uint32_t quals;              // qualifier bits of its letters
  std::vector<uint8_t> bytes;  // every byte, the terminating zero included
  bool complete;               // ends with its terminating zero
  string_literal *head;        // the literal it is a tail of, or null
  uint32_t offset;             // where it starts inside the head
};

// The "[a" record after its token; the label number is offset by the base
// and the highest label number read is kept in *highest.
void lex_string_record(lex_stream *s, int64_t base, int64_t *highest);
// The end of an input: literals still waiting for their tail stay as read.
void lex_strings_end_of_file();
// Tail sharing, after all input.
void lex_pool_strings();
const std::vector<string_literal *> &lex_strings();
// Bytes of all literals.
unsigned long lex_strings_size();
// The literals in the strings psect, longest first, then the equates of
// the shared tails.
void lex_emit_strings();

// The number (from 1) of a floating constant of the node's value, size and
// qualifiers; a new entry when there is none.
uint32_t lex_fconst_index(const tree_node *node);
// The pool of floating constants.
void lex_emit_fconsts();

void literals_reset();
