// Operator codes of the expression trees, their tokens (lextab) and their
// properties (dope). Codes 1 to 77 are also the tokens of the intermediate
// code; 78 to 91 name node kinds.
#pragma once
#include <cstdint>

enum : uint32_t {
  OP_NONE = 0,
  OP_NOT = 1,        // !
  OP_NE = 2,         // !=
  OP_SIZEOF = 3,     // #
  OP_SIZE_TYPE = 4,  // #T
  OP_CJUMP = 5,      // $   conditional jump: condition, label
  OP_JUMP = 6,       // $U
  OP_JUMP_EXIT = 7,  // $UE
  OP_MOD = 8,        // %
  OP_AND = 9,        // &
  OP_LAND = 10,      // &&
  OP_ADDR = 11,      // &U
  OP_CALL = 12,      // (
  OP_ARG_VAR = 13,   // (.
  OP_ARGS1 = 14,     // (1 ... (4 are 14 to 17
  OP_ARGS4 = 17,
  OP_RETURN = 18,    // )
  OP_MUL = 19,       // *
  OP_DEREF = 20,     // *U
  OP_ADD = 21,       // +
  OP_POSTINC = 22,   // ++
  OP_PLUS = 23,      // +U
  OP_COMMA = 24,     // ,
  OP_SUB = 25,       // -
  OP_POSTDEC = 26,   // --
  OP_CONV = 27,      // ->
  OP_NEG = 28,       // -U
  OP_DOT = 29,       // .
  OP_EMPTY = 30,     // ..
  OP_DIV = 31,       // /
  OP_COLON = 32,     // :
  OP_COPY = 33,      // :=
  OP_LABEL = 34,     // :U
  OP_LABEL_EXIT = 35,  // :UE
  OP_STRING = 36,    // :s
  OP_SEQ = 37,       // ;
  OP_SEQSEQ = 38,    // ;;
  OP_LT = 39,        // <
  OP_SHL = 40,       // <<
  OP_LE = 41,        // <=
  OP_ASSIGN = 42,    // =
  OP_ASMOD = 43,     // =%
  OP_ASAND = 44,     // =&
  OP_ASMUL = 45,     // =*
  OP_ASADD = 46,     // =+
  OP_ASSUB = 47,     // =-
  OP_ASDIV = 48,     // =/
  OP_ASSHL = 49,     // =<<
  OP_EQ = 50,        // ==
  OP_ASSHR = 51,     // =>>
  OP_ASXOR = 52,     // =^
  OP_ASOR = 53,      // =|
  OP_GT = 54,        // >
  OP_GE = 55,        // >=
  OP_SHR = 56,       // >>
  OP_QUEST = 57,     // ?
  OP_INIT = 58,      // @
  OP_ASM = 59,       // [;
  OP_SWITCH = 60,    // [\ (backslash)
  OP_REC_A = 61,     // [a ... [v are records 61 to 70
  OP_REC_C = 62,
  OP_REC_E = 63,
  OP_REC_F = 64,
  OP_REC_I = 65,
  OP_REC_N = 66,
  OP_REC_P = 67,
  OP_REC_S = 68,
  OP_REC_U = 69,
  OP_REC_V = 70,
  OP_XOR = 71,       // ^
  OP_LBRACE = 72,    // {
  OP_OR = 73,        // |
  OP_LOR = 74,       // ||
  OP_RBRACE = 75,    // }
  OP_COMPL = 76,     // ~
  OP_RECIP = 77,
  OP_TYPE = 78,
  OP_ID = 79,
  OP_CONST = 80,
  OP_FCONST = 81,
  OP_REG = 82,
  OP_INAREG = 83,
  OP_BITFIELD = 84,
  OP_CALLARGS = 85,
  OP_CALLZAP = 86,
  OP_CALLRESULT = 87,
  OP_SEQCALL = 88,   // ;(
  OP_LITERAL = 89,
  OP_ROTL = 90,      // <<>=
  OP_ROTR = 91,      // >><=
  OP_COUNT = 92,
};

// Property bits of dope.
enum : uint32_t {
  D_CLASS = 0x3,         // operand class of the target's rewriting rules
  D_ARITY = 0xC,
  D_LEAF = 0x0,
  D_UNARY = 0x4,
  D_BINARY = 0x8,
  D_RECORD = 0xC,
  D_CONST = 0x10,
  D_TRUTH = 0x20,
  D_COMMUTATIVE = 0x40,
  D_SHIFT = 0x80,
  D_ORDERED = 0x100,
  D_COND = 0x200,
  D_ZERO_EXTEND = 0x400,
  D_LOW_BYTES = 0x800,
  D_ASSOCIATIVE = 0x2000,
  D_NON_VALUE = 0x4000,
  D_SIDE_EFFECT = 0x8000,
  D_HAS_ASSIGN = 0x10000,
};

extern const char *const lextab[OP_COUNT];
extern const uint32_t dope[OP_COUNT];

inline uint32_t op_dope(uint32_t op) { return op < OP_COUNT ? dope[op] : 0; }
inline uint32_t op_arity(uint32_t op) { return op_dope(op) & D_ARITY; }
inline bool op_is_binary(uint32_t op) { return op_arity(op) == D_BINARY; }
inline bool op_is_unary(uint32_t op) { return op_arity(op) == D_UNARY; }
inline bool op_is_leaf(uint32_t op) { return op_arity(op) == D_LEAF; }
// Has operands: unary, binary and record codes.
inline bool op_has_operands(uint32_t op) { return op_arity(op) != D_LEAF; }
// !=, <, <=, ==, >, >=
inline bool op_is_compare(uint32_t op) {
  uint32_t d = op_dope(op);
  return (d & D_TRUTH) && !(d & D_CONST) && !(d & D_COND);
}

// The token's operator or record code, -1 when it is none.
int lex_keyword(const char *token);
// Compound-assignment code of a binary operator; OP_ASSIGN for the others.
uint32_t op_assign_form(uint32_t op);
// The binary operator of a compound assignment; OP_NONE for the others.
uint32_t op_plain_form(uint32_t op);
// The comparison that holds exactly when op does not.
uint32_t op_negate_compare(uint32_t op);
