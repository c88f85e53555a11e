// The PIC18 instruction set (the standard, non-extended set) and the
// pseudo-instruction nop2, with their encodings; also the data items db and dw.
#pragma once
#include <cstdint>
#include <string>

#include "assembler/asm.h"

enum insn_form : uint8_t {
  FORM_NONE,   // no operand
  FORM_FDA,    // f [,d] [,a]: destination w/f (0/1), access c/b (0/1)
  FORM_FA,     // f [,a]
  FORM_FBA,    // f, bit [,a]
  FORM_K8,     // 8-bit literal
  FORM_K4,     // movlb: 4-bit bank number
  FORM_N8,     // conditional branch: 8-bit word distance
  FORM_N11,    // bra, rcall: 11-bit word distance
  FORM_CALL,   // call k [,s]
  FORM_GOTO,   // goto k
  FORM_LFSR,   // lfsr f, k
  FORM_MOVFF,  // movff fs, fd
  FORM_S,      // retfie, return [s]
  FORM_TBL,    // tblrd, tblwt with *, *+, *- or +*
};

struct insn_desc {
  const char *name;
  uint16_t opcode;
  insn_form form;
};

// The instruction of a mnemonic, compared without regard to case; null when none.
const insn_desc *insn_find(const std::string &mnemonic);
// Bytes of the instruction: 4 for the two-word instructions, else 2.
uint32_t insn_size(const insn_desc *insn);
// True when an operand of this form is a designator word ("w", "f", "c",
// "b") rather than an expression; the table-pointer forms hold no expression.
bool insn_operand_is_word(const insn_desc *insn, const std::string &text);

// Encodes an instruction item once every symbol is known: its bytes and
// relocations. False after a message.
bool insn_encode(asm_state *st, asm_item *item);
// Encodes a db (1-byte) or dw (2-byte) item.
bool data_encode(asm_state *st, asm_item *item);
