#include "codegen/model/ops.h"

#include <cstring>

const char *const lextab[OP_COUNT] = {
    "",     "!",     "!=",   "#",     "#T",    "$",     "$U",    "$UE",  "%",     "&",
    "&&",   "&U",    "(",    "(.",    "(1",    "(2",    "(3",    "(4",   ")",     "*",
    "*U",   "+",     "++",   "+U",    ",",     "-",     "--",    "->",   "-U",    ".",
    "..",   "/",     ":",    ":=",    ":U",    ":UE",   ":s",    ";",    ";;",    "<",
    "<<",   "<=",    "=",    "=%",    "=&",    "=*",    "=+",    "=-",   "=/",    "=<<",
    "==",   "=>>",   "=^",   "=|",    ">",     ">=",    ">>",    "?",    "@",     "[;",
    "[\\",  "[a",    "[c",   "[e",    "[f",    "[i",    "[n",    "[p",   "[s",    "[u",
    "[v",   "^",     "{",    "|",     "||",    "}",     "~",     "RECIP", "TYPE", "ID",
    "CONST", "FCONST", "REG", "INAREG", "BITFIELD", "CALLARGS", "CALLZAP", "CALLRESULT",
    ";(",   "Literal", "<<>=", ">><=",
};

const uint32_t dope[OP_COUNT] = {
    0xC,     0x627,   0x68,    0x14,    0x14,    0x4308,  0x4004,  0x4004,  0x408,   0x12C48,
    0x4328,  0x4,     0xC008,  0x4004,  0x4004,  0x4004,  0x4004,  0x4004,  0x4004,  0x12848,
    0x4,     0x12849, 0x8008,  0x4,     0xC008,  0x10808, 0x8008,  0x208,   0x807,   0x8,
    0x30,    0x10408, 0x4008,  0x8008,  0x4004,  0x4004,  0x4004,  0x108,   0xC,     0x28,
    0x10888, 0x28,    0x8008,  0x8008,  0x8808,  0x8808,  0x8808,  0x8808,  0x8008,  0x8888,
    0x68,    0x8088,  0x8808,  0x8808,  0x28,    0x28,    0x10488, 0x4308,  0xC004,  0x8030,
    0x4008,  0xC,     0xC,     0xC,     0xC,     0xC,     0xC,     0xC,     0xC,     0xC,
    0xC,     0x12C48, 0xC,     0x12C48, 0x4328,  0xC,     0x807,   0x4,     0x0,     0x2,
    0x10,    0x10,    0x2,     0x4004,  0x4,     0xC004,  0xC004,  0x4000,  0x4108,  0x0,
    0x8008,  0x8008,
};

int lex_keyword(const char *token) {
  // Entries 0 to 76 are in character-code order; RECIP stands apart.
  int lo = 0, hi = OP_COMPL;
  while (lo <= hi) {
    int mid = (lo + hi) / 2;
    int c = strcmp(token, lextab[mid]);
    if (c == 0) return mid;
    if (c < 0)
      hi = mid - 1;
    else
      lo = mid + 1;
  }
  return strcmp(token, lextab[OP_RECIP]) == 0 ? int(OP_RECIP) : -1;
}

uint32_t op_assign_form(uint32_t op) {
  switch (op) {
    case OP_MOD: return OP_ASMOD;
    case OP_AND: return OP_ASAND;
    case OP_MUL: return OP_ASMUL;
    case OP_ADD: return OP_ASADD;
    case OP_SUB: return OP_ASSUB;
    case OP_DIV: return OP_ASDIV;
    case OP_SHL: return OP_ASSHL;
    case OP_SHR: return OP_ASSHR;
    case OP_XOR: return OP_ASXOR;
    case OP_OR: return OP_ASOR;
  }
  return OP_ASSIGN;
}

uint32_t op_plain_form(uint32_t op) {
  switch (op) {
    case OP_ASMOD: return OP_MOD;
    case OP_ASAND: return OP_AND;
    case OP_ASMUL: return OP_MUL;
    case OP_ASADD: return OP_ADD;
    case OP_ASSUB: return OP_SUB;
    case OP_ASDIV: return OP_DIV;
    case OP_ASSHL: return OP_SHL;
    case OP_ASSHR: return OP_SHR;
    case OP_ASXOR: return OP_XOR;
    case OP_ASOR: return OP_OR;
  }
  return OP_NONE;
}

uint32_t op_negate_compare(uint32_t op) {
  switch (op) {
    case OP_LT: return OP_GE;
    case OP_LE: return OP_GT;
    case OP_EQ: return OP_NE;
    case OP_GT: return OP_LE;
    case OP_GE: return OP_LT;
  }
  return OP_EQ;
}
