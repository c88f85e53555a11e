#include "codegen/target/pred.h"

#include <cmath>
#include <cstring>

#include "codegen/model/ptrtargets.h"
#include "codegen/model/args.h"
#include "codegen/model/regs.h"
#include "codegen/model/symbols.h"
#include "codegen/model/target_services.h"
#include "codegen/model/tree.h"
#include "codegen/model/types.h"
#include "codegen/target/emitq.h"
#include "codegen/target/memmodel.h"
#include "common/alert.h"

namespace {

// Pointer-target class bits and their unions.
constexpr uint32_t TC_ACCESS = 0x10000, TC_FAR = 0x80000, TC_ANY_RAM = 0x100000;
constexpr uint32_t TC_DATA = 0x13ffff, TC_PROGRAM_OR_FAR = 0xc0000, TC_NULL_OR_RAM = 0x30001;
// Qualifiers of objects outside the data memory: far or in program memory.
constexpr uint32_t Q_NOT_RAM = Q_FAR | Q_CONST;
constexpr int32_t TWOLOOP_LIMIT = 0x30300;
constexpr uint32_t BANK_15 = 15;

uint32_t size(const tree_node *t) { return tree_size(t); }
uint8_t arith(const tree_node *t) { return tree_arith(t); }
bool floating(const tree_node *t) { return arith(t) == ARITH_FLOAT; }
uint32_t quals(const tree_node *t) { return t ? type_qualifiers(t->type) : 0; }
bool is_volatile(const tree_node *t) { return quals(t) & Q_VOLATILE; }
ctype *plain_type(const tree_node *t) { return t ? type_unqual(t->type) : nullptr; }
uint8_t kind(const tree_node *t) {
  ctype *p = plain_type(t);
  return p ? p->kind : 0;
}
bool is_pointer(const tree_node *t) { return kind(t) == TY_POINTER; }
bool is_struct(const tree_node *t) { return kind(t) == TY_STRUCT; }
ctype *pointee(const tree_node *t) { return is_pointer(t) ? plain_type(t)->sub : nullptr; }
uint32_t target_bits(const tree_node *t) { return memmodel_pointer_class(t); }

// The object a node names lies in program memory: a named one when it is a
// const object of static storage duration, one reached through a pointer
// when the pointer's targets say so; a const type alone does not tell.
bool in_program_memory(const tree_node *t) {
  if (!t) return false;
  switch (t->op) {
    case OP_ID:
      if (t->sym) return memmodel_in_program_memory(t->sym);
      break;
    case OP_DOT:
    case OP_BITFIELD:
      if (t->left) return in_program_memory(t->left);
      break;
    case OP_DEREF:
      if (t->left) return target_bits(t->left) & TARGET_CONST;
      break;
    // A value worked out (a call's result, a returned or stored value, a
    // chosen one) lies in RAM, whatever its type's qualifiers.
    case OP_CALL:
    case OP_RETURN:
    case OP_ASSIGN:
    case OP_QUEST:
    case OP_COLON:
    case OP_COMMA:
      return false;
  }
  return quals(t) & Q_CONST;
}
bool not_ram(const tree_node *t) { return (quals(t) & Q_FAR) || in_program_memory(t); }

bool is_const(const tree_node *t) { return t && t->op == OP_CONST; }
bool is_id(const tree_node *t) { return t && t->op == OP_ID && t->sym; }
bool is_bit_type(const tree_node *t) { return arith(t) == ARITH_BIT; }
const char *asm_name(const tree_node *t) { return is_id(t) && t->sym->name ? t->sym->name : ""; }

bool size_class(const tree_node *t, uint32_t bytes, uint8_t cls) { return size(t) == bytes && arith(t) == cls; }

// A value test on a CONST node.
template <typename F>
bool const_holds(const tree_node *t, F test) {
  return is_const(t) && test(t->value);
}
bool const_is(const tree_node *t, int32_t v) { return is_const(t) && t->value == v; }

uint32_t size_mask(const tree_node *t) {
  uint32_t bytes = size(t);
  return bytes >= 4 || bytes == 0 ? 0xFFFFFFFFu : (1u << (8 * bytes)) - 1;
}

bool one_bit_between(const tree_node *t, uint32_t low, uint32_t high) {
  return is_const(t) && emit_bit_count(t->value) == 1 && uint32_t(t->value) >= low && uint32_t(t->value) <= high;
}

uint32_t bitfield_width(const tree_node *t) {
  return t && t->op == OP_BITFIELD && t->member ? t->member->bf_width : 0;
}

// The bit offset of the first BITFIELD node down the left children; -1 without one.
int32_t bitfield_offset(const tree_node *t) {
  for (; t; t = t->left)
    if (t->op == OP_BITFIELD) return t->member ? t->member->bf_offset : -1;
  return -1;
}

// A pointer whose targets all lie outside the data memory (program memory or far).
bool code_targets(const tree_node *t) {
  uint32_t bits = target_bits(t);
  return bits && !(bits & TC_DATA);
}

bool lives_in(const tree_node *t, uint32_t reg) {
  return (is_id(t) && sym_held_reg(t->sym) == reg) || (t && t->op == OP_REG && uint32_t(t->value) == reg);
}
bool in_fsr(const tree_node *t) {
  uint32_t r = is_id(t) ? sym_held_reg(t->sym) : 0;
  return r == REG_FSR0 || r == REG_FSR1 || r == REG_FSR2;
}
bool has_register(const tree_node *t) { return (is_id(t) && sym_held_reg(t->sym)) || (t && t->op == OP_REG); }

// An automatic variable, or one living in a register.
bool is_auto_or_register_id(const tree_node *t) {
  return is_id(t) && (t->sym->sclass == SC_AUTO || sym_held_reg(t->sym));
}

int32_t operand_bank(const tree_node *t) { return emit_operand_bank(t, t ? t->count : 0, false, nullptr); }

bool bank15_split() { return emit_chip().options[0] & CHIP_OPT_BANK15_SPLIT; }

// Far and program-memory objects are never banked, unless they live in a
// function's own areas.
bool bank_exempt(const tree_node *t) {
  if (!not_ram(t)) return false;
  return !(is_id(t) && (t->sym->sclass == SC_PARAM || t->sym->sclass == SC_AUTO || (t->sym->flags & SYM_STACK_AREA)));
}

bool crosses_banks(const tree_node *t) {
  int32_t bank = operand_bank(t);
  return bank == BANK_CROSSING || (bank == int32_t(BANK_15) && bank15_split());
}

bool common_bank(const tree_node *t) { return t && !not_ram(t) && operand_bank(t) == BANK_COMMON; }

// Bit objects: absolute ones outside the access bank need bank selection;
// with the bank-15 option, those in bank 15 are the exception.
struct bit_place {
  bool bit, absolute_banked, bank15_exception;
};
bit_place bit_object(const tree_node *t) {
  bit_place p = {is_bit_type(t) && is_id(t), false, false};
  if (!p.bit) return p;
  const symbol *s = t->sym;
  uint32_t byte = uint32_t(s->address / 8);
  p.absolute_banked = (s->flags & SYM_ABSOLUTE) && !emit_in_access_bank(byte);
  p.bank15_exception = p.absolute_banked && byte >> 8 == BANK_15 && bank15_split();
  return p;
}

bool same_id(const tree_node *a, const tree_node *b) { return is_id(a) && is_id(b) && a->sym == b->sym; }

// One left shift and one right shift of equal subtrees.
bool shift_pair(const tree_node *a, const tree_node *b) {
  if (!a || !b) return false;
  bool opposite = (a->op == OP_SHL && b->op == OP_SHR) || (a->op == OP_SHR && b->op == OP_SHL);
  return opposite && tree_equal(a->left, b->left);
}

bool use_swapf(const tree_node *t) {
  if (size(t) != 1 || !t->left || !t->right) return false;
  if (t->op != OP_ASSIGN) return shift_pair(t->left, t->right);
  const tree_node *r = t->right;
  bool combines = r->op == OP_ADD || r->op == OP_OR || r->op == OP_XOR;
  return combines && shift_pair(r->left, r->right) && tree_equal(r->left->left, t->left);
}

bool bsf_shift(const tree_node *t) {
  if (size(t) != 1 || !is_id(t->left) || !t->right) return false;
  const tree_node *shift = t->right->left, *amount = t->right->right;
  if (!shift || (shift->op != OP_SHL && shift->op != OP_SHR) || !same_id(t->left, shift->left) || !amount)
    return false;
  if (is_const(amount)) return amount->value == (shift->op == OP_SHL ? 1 : 128);
  return amount->op != OP_CONV;
}

bool twoloop(const tree_node *t) {
  const tree_node *r = t->right;
  if (!is_const(r)) return false;
  if (r->value > TWOLOOP_LIMIT) {
    msg_once(1355, long(r->value));
    return false;
  }
  return true;
}

bool same_size(const tree_node *a, const tree_node *b) { return size(a) == size(b); }
bool both_pointers_same_bits(const tree_node *a, const tree_node *b) {
  return is_pointer(a) && is_pointer(b) && target_bits(a) == target_bits(b);
}

}  // namespace

bool pred_eval(uint32_t number, const tree_node *t) {
  const tree_node *L = t ? t->left : nullptr;
  const tree_node *R = t ? t->right : nullptr;
  uint32_t n = size(t);
  switch (number) {
    // Size of the node.
    case P_ISBYTE: return n == 1;
    case P_WORD: return n == 2;
    case P_TRIWORD: return n == 3;
    case P_DWORD: return n == 4;
    case P_LONG: return n == 4 && !floating(t);
    case P_WORD_OR_MORE: return n > 1;
    case P_NOTBYTE: return n != 1;
    case P_OBJ_BIGER_4: return n > 4;
    case P_BIG_OBJECT: return n > 255;
    // Size of a child.
    case P_LBYTE: return size(L) == 1;
    case P_LWORD: return size(L) == 2;
    case P_LTRIWORD: return size(L) == 3;
    case P_LLONG:
    case P_LDWORD: return size(L) == 4;
    case P_RWORD: return size(R) == 2;
    case P_LLONGER: return size(L) >= 5 && size(L) <= 254;
    case P_SAMESIZE: return same_size(L, R);
    // Class and size.
    case P_UNSBYTE: return size_class(t, 1, ARITH_UNSIGNED);
    case P_SIGNBYTE: return size_class(t, 1, ARITH_SIGNED);
    case P_UNSWORD: return size_class(t, 2, ARITH_UNSIGNED);
    case P_SIGNWORD: return size_class(t, 2, ARITH_SIGNED);
    case P_UNSLONG: return size_class(t, 4, ARITH_UNSIGNED);
    case P_SIGNLONG: return size_class(t, 4, ARITH_SIGNED);
    case P_ISDOUBLE: return size_class(t, 4, ARITH_FLOAT);
    case P_TRIFLOAT: return size_class(t, 3, ARITH_FLOAT);
    case P_NOTFLOAT: return !floating(t);
    case P_ISFLOAT: return floating(t);
    case P_UNSIGNED: return arith(t) == ARITH_UNSIGNED;
    case P_SIGNED: return arith(t) == ARITH_SIGNED;
    case P_ISLOGICAL: return arith(t) == ARITH_BIT;
    case P_LUNSBYTE: return size_class(L, 1, ARITH_UNSIGNED);
    case P_LSIGNBYTE: return size_class(L, 1, ARITH_SIGNED);
    case P_LUNSWORD: return size_class(L, 2, ARITH_UNSIGNED);
    case P_LSIGNWORD: return size_class(L, 2, ARITH_SIGNED);
    case P_LUNSLONG: return size_class(L, 4, ARITH_UNSIGNED);
    case P_LSIGNLONG: return size_class(L, 4, ARITH_SIGNED);
    case P_LUNSTRIWORD: return size_class(L, 3, ARITH_UNSIGNED);
    case P_LSIGNTRIWORD: return size_class(L, 3, ARITH_SIGNED);
    case P_LTRIFLOAT: return size_class(L, 3, ARITH_FLOAT);
    case P_LDOUBLE: return size_class(L, 4, ARITH_FLOAT);
    case P_LISFLOAT: return floating(L);
    case P_L_AINT_VOID: return arith(L) == ARITH_NONE;
    case P_RUNSWORD: return size_class(R, 2, ARITH_UNSIGNED);
    case P_RUNSBYTE: return size_class(R, 1, ARITH_UNSIGNED);
    case P_RSIGNBYTE: return size_class(R, 1, ARITH_SIGNED);
    // Conversions: the node is the converted value, L the operand.
    case P_LONG_TO_BYTE: return !floating(L) && n == 1 && size(L) == 4;
    case P_WORD_TO_BYTE: return n == 1 && size(L) == 2;
    case P_TRI_TO_BYTE: return !floating(L) && n == 1 && size(L) == 3;
    case P_LONG_TO_WORD: return !floating(L) && n == 2 && size(L) == 4;
    case P_TRI_TO_WORD: return !floating(L) && n == 2 && size(L) == 3;
    case P_SIGNBYTE_TO_LONG: return n == 4 && !floating(t) && size_class(L, 1, ARITH_SIGNED);
    case P_SIGNWORD_TO_LONG: return n == 4 && !floating(t) && size_class(L, 2, ARITH_SIGNED);
    case P_UNSWORD_TO_LONG: return n == 4 && !floating(t) && size_class(L, 2, ARITH_UNSIGNED);
    case P_TRI_TO_DOUBLE: return size_class(t, 4, ARITH_FLOAT) && size_class(L, 3, ARITH_FLOAT);
    case P_TRI_TO_LONG: return n == 4 && size(L) == 3 && !floating(t) && !floating(L);
    case P_DOUBLE_TO_TRI: return size_class(t, 3, ARITH_FLOAT) && size_class(L, 4, ARITH_FLOAT);
    case P_UNSWORD_TO_TRI: return n == 3 && !floating(t) && size_class(L, 2, ARITH_UNSIGNED);
    case P_SIGNWORD_TO_TRI: return n == 3 && !floating(t) && size_class(L, 2, ARITH_SIGNED);
    case P_UNSBYTE_TO_TRI: return n == 3 && !floating(t) && size_class(L, 1, ARITH_UNSIGNED);
    case P_SIGNBYTE_TO_TRI: return n == 3 && !floating(t) && size_class(L, 1, ARITH_SIGNED);
    case P_LONG_TO_FARPTR: return n == 3 && !floating(t) && not_ram(t) && size(L) == 4;
    case P_SIGNCONV: return size_class(L, 1, ARITH_SIGNED) && n > 1 && !floating(t);
    case P_UNSCONV: return arith(L) == ARITH_UNSIGNED && n > size(L) && !floating(t);
    case P_UNSCONV_NOT_PTR: return arith(L) == ARITH_UNSIGNED && n > size(L) && !floating(t) && !is_pointer(t);
    case P_PTRCONV: return is_pointer(t) && n == size(L);
    case P_NONPTR_TO_PTR: return is_pointer(t) && L && !is_pointer(L);
    case P_PTR_TO_NONPTR: return n == size(L) && is_pointer(L);
    case P_TRIPTR_TO_NONPTR: return is_pointer(L) && size(L) == 3;
    case P_SHLONG: return n == 3 && !floating(t);
    case P_ZFILL_BYTE_SHIFT: return n == 1 && (arith(t) == ARITH_UNSIGNED || t->op == OP_SHL || t->op == OP_ASSHL);
    // Constants.
    case P_SMALLCONST: return const_holds(t, [](int32_t v) { return v < 256; });
    case P_SECONDBYTE: return const_holds(t, [](int32_t v) { return (uint32_t(v) & ~0xFF00u) == 0; });
    case P_THIRDBYTE: return const_holds(t, [](int32_t v) { return (uint32_t(v) & ~0xFF0000u) == 0; });
    case P_FOURTHBYTE: return const_holds(t, [](int32_t v) { return (uint32_t(v) & ~0xFF000000u) == 0; });
    case P_BYTE_FF: return const_is(t, 0xFF);
    case P_BYTE_FF00: return const_is(t, 0xFF00);
    case P_BYTE256: return const_is(t, 0x100);
    case P_BYTE65536: return const_is(t, 0x10000);
    case P_BYTE16777216: return const_is(t, 0x1000000);
    case P_WORDCONST: return const_holds(t, [](int32_t v) { return v >= 1 && v <= 0xFFFF; });
    case P_ISONE: return const_is(t, 1);
    case P_ISTWO: return const_is(t, 2);
    case P_ISTHREE: return const_is(t, 3);
    case P_FOUR: return const_is(t, 4);
    case P_FIVE: return const_is(t, 5);
    case P_SIX: return const_is(t, 6);
    case P_SEVEN: return const_is(t, 7);
    case P_EIGHT: return const_is(t, 8);
    case P_ISTEN: return const_is(t, 10);
    case P_TWELVE: return const_is(t, 12);
    case P_FIFTEEN: return const_is(t, 15);
    case P_SIXTEEN: return const_is(t, 16);
    case P_TWENTYTHREE: return const_is(t, 23);
    case P_TWENTYFOUR: return const_is(t, 24);
    case P_THIRTYONE: return const_is(t, 31);
    case P_THIRTYTWO: return const_is(t, 32);
    case P_SIXTYTHREE: return const_is(t, 63);
    case P_SIXTYFOUR: return const_is(t, 64);
    case P_ONETWENTYSEVEN: return const_is(t, 127);
    case P_ONETWENTYEIGHT:
    case P_HEX80: return const_is(t, 128);
    case P_ONE_TO_THREE: return const_holds(t, [](int32_t v) { return v >= 1 && v <= 3; });
    case P_MINUS_ONE: return is_const(t) && (uint32_t(t->value) & size_mask(t)) == size_mask(t);
    case P_SMALLNEG: return const_holds(t, [](int32_t v) { return v >= -256 && v <= -1; });
    case P_POSITIVE: return const_holds(t, [](int32_t v) { return v >= 0; });
    case P_EVENCONST: return const_holds(t, [](int32_t v) { return (v & 1) == 0; });
    case P_POWER_OF_TWO: return const_holds(t, [](int32_t v) { return emit_is_pow2(v); });
    case P_ONE_LESS_POWER_OF_TWO:
      return const_holds(t, [](int32_t v) {
        uint64_t next = uint64_t(uint32_t(v)) + 1;
        return (next & (next - 1)) == 0;
      });
    case P_ONEBIT: return const_holds(t, [](int32_t v) { return emit_bit_count(v) == 1; });
    case P_ONEBIT_8: return one_bit_between(t, 0x100, 0xFFFF);
    case P_ONEBIT_16: return one_bit_between(t, 0x10000, 0xFFFFFF);
    case P_ONEBIT_24: return one_bit_between(t, 0x1000000, 0xFFFFFFFF);
    case P_ONEBITCOMP: return is_const(t) && __builtin_popcount(~uint32_t(t->value) & size_mask(t)) == 1;
    case P_ISZERO:
      return (t && t->op == OP_FCONST && t->fvalue == 0.0) || const_is(t, 0);
    // Loop counts.
    case P_NOLOOP: return is_const(R) && R->value <= 6;
    case P_ONELOOP: return is_const(R) && R->value <= 1792;
    case P_TWOLOOP: return twoloop(t);
    // Bit-fields.
    case P_ONEBITF: return bitfield_width(t) == 1;
    case P_BITF_3BIT:
    case P_BITF_4BIT:
    case P_BITF_5BIT:
    case P_BITF_6BIT:
    case P_BITF_7BIT: return bitfield_width(t) == 3 + (number - P_BITF_3BIT);
    case P_BITF_GE_3BIT: return bitfield_width(t) > 2;
    case P_BITF_GE_5BIT: return bitfield_width(t) > 4;
    case P_BITOFF_0:
    case P_BITOFF_1:
    case P_BITOFF_2:
    case P_BITOFF_3:
    case P_BITOFF_4:
    case P_BITOFF_5:
    case P_BITOFF_6:
    case P_BITOFF_7: return bitfield_offset(t) == int32_t(number - P_BITOFF_0);
    // Qualifiers and storage.
    case P_BYTE_VOLATILE: return n == 1 && is_volatile(t);
    case P_NONVOLATILE: return !is_volatile(t);
    case P_RIGHT_NONVOLATILE: return !is_volatile(R);
    case P_NOVERLAP_NONVOL: return !is_volatile(L) && !tree_may_alias(t);
    case P_OVERLAP: return tree_may_alias(t);
    case P_LBYTE_NONVOL: return !is_volatile(L) && n == 1;
    case P_LWORD_NONVOL: return !is_volatile(L) && n == 2;
    case P_LLONG_NONVOL: return !is_volatile(L) && n == 4 && !floating(t);
    // An array is copied whole like a structure (an initialised automatic array).
    case P_STRUCTURE: return (is_struct(t) || kind(t) == TY_ARRAY) && n > 4 && !not_ram(t);
    case P_NEAR_STRUCTURE: return is_struct(t) && n > 4 && (quals(t) & Q_NEAR);
    case P_SMALLSTRUCT: return is_struct(t) && n <= 4;
    case P_BYTESTRUCT: return is_struct(t) && n == 1;
    case P_PTR_TO_STRUCT: return pointee(t) && type_unqual(pointee(t))->kind == TY_STRUCT;
    case P_ISRAM: return is_auto_or_register_id(t) || !not_ram(t);
    case P_ISFAR: return !is_auto_or_register_id(t) && (quals(t) & Q_FAR);
    case P_ISCODE: return !is_auto_or_register_id(t) && in_program_memory(t);
    case P_STARINC: return !not_ram(t) && L && is_const(L->right) && uint32_t(L->right->value) == n;
    // Pointers and their targets.
    case P_NOT_PTR: return !is_pointer(t);
    case P_SAMEPTRFLAGS: return same_size(t, L) && both_pointers_same_bits(t, L);
    case P_SAMENOTFTNPTR:
      return same_size(t, L) &&
             (!(is_pointer(t) && is_pointer(L)) || (is_pointer(t) && !type_is_function(pointee(t))));
    case P_SAMESAME:
      return same_size(t, L) && !floating(t) && !floating(L) &&
             ((!is_pointer(t) && !is_pointer(L)) || both_pointers_same_bits(t, L));
    case P_ANY_RAM_PTR: return is_pointer(t) && n <= 2 && !(target_bits(t) & TC_PROGRAM_OR_FAR);
    case P_TRIPTR: return is_pointer(t) && n == 3;
    case P_ANY_16_PTR: return is_pointer(t) && n == 2;
    case P_CODE_8_PTR:
    case P_RIGHT_CODE_8_PTR: {
      const tree_node *p = number == P_CODE_8_PTR ? t : R;
      if (!is_pointer(p) || size(p) != 1) return false;
      return p->targets ? code_targets(p) : pointGraphCompleted;
    }
    case P_ACCESS_8_PTR: return is_pointer(t) && n == 1 && target_bits(t) == TC_ACCESS;
    case P_RIGHT_ACCESS_8_PTR: return is_pointer(R) && size(R) == 1 && target_bits(R) == TC_ACCESS;
    case P_CODE_16_PTR: return is_pointer(t) && n == 2 && code_targets(t);
    case P_CODE_24_PTR: return is_pointer(t) && n == 3 && code_targets(t);
    case P_CODE_PTR: return is_pointer(t) && code_targets(t);
    case P_FAR_PTR: return is_pointer(t) && target_bits(t) == TC_FAR;
    case P_FAR_16_PTR: return is_pointer(t) && n == 2 && target_bits(t) == TC_FAR;
    case P_FAR_24_PTR: return is_pointer(t) && n == 3 && target_bits(t) == TC_FAR;
    case P_MIXED_16_PTR: return emit_ptr_rom_and_ram(t);
    case P_MIXED_24_PTR: {
      if (!is_pointer(t) || n != 3) return false;
      uint32_t bits = target_bits(t);
      if (!bits) return !pointGraphCompleted;
      return (bits & TC_PROGRAM_OR_FAR) && (bits & TC_NULL_OR_RAM);
    }
    case P_TBLPTRU_IS_ZERO:
      return (emit_ptr_rom_and_ram(t) && emit_chip().rom_size < 0xFFFF) || emit_ptr_far_and_ram(t);
    case P_LISFARCON_PTR: return !floating(L) && size(L) == 3 && not_ram(L);
    case P_LISRAM_PTR: return is_pointer(L) && size(L) == 2 && !(type_qualifiers(pointee(L)) & Q_NOT_RAM);
    case P_LISNEAR_PTR: return is_pointer(L) && size(L) == 1 && (type_qualifiers(pointee(L)) & Q_NEAR);
    case P_R_NULL_PTR: return target_bits(R) == TC_ANY_RAM;
    // Code addresses take three bytes (program memory beyond 64 KiB).
    case P_WIDE_CODE: return emit_code_ptr_size() == 3;
    case P_TBLPTR_1: return emit_tblptr_usage() == 1;
    case P_TBLPTR_2: return emit_tblptr_usage() < 3;
    case P_TBLPTR_3: return emit_tblptr_usage() < 4;
    // Registers and banks.
    case P_HASWREG: return lives_in(t, REG_WREG);
    case P_HASWORDREG: return n == 2 && has_register(t);
    case P_HASBYTEREG: return n == 1 && has_register(t);
    case P_NOT_REG_ON_LEFT: return !(L && L->op == OP_REG);
    case P_ISFSR: return in_fsr(t);
    case P_ISFSR_LEFT: return in_fsr(L);
    case P_ISWREG:
      return is_id(t) && strcmp(asm_name(t), "_WREG") == 0 &&
             (!(t->sym->flags & SYM_ABSOLUTE) || emit_in_access_bank(uint32_t(t->sym->address)));
    case P_TRANSBANK_ID: return !bank_exempt(t) && crosses_banks(t);
    case P_INTRABANK_ID: return !bank_exempt(t) && !crosses_banks(t);
    case P_COMMON_ID: return common_bank(t);
    case P_COMMON_HI_ID: return common_bank(t) && is_id(t) && emit_in_access_sfr(uint32_t(t->sym->address));
    case P_SAMEBANK: {
      int32_t left = operand_bank(L), right = operand_bank(R);
      return left == BANK_COMMON || right == BANK_COMMON || (left >= 0 && left == right);
    }
    case P_ISCOMBIT: {
      bit_place p = bit_object(t);
      return p.bit && !p.absolute_banked;
    }
    case P_ISQBIT: {
      bit_place p = bit_object(t);
      return p.bit && (!p.absolute_banked || p.bank15_exception);
    }
    case P_ISBSR15BIT: return bit_object(t).bank15_exception;
    // Shapes and names.
    case P_SAME_SUBTREES: return L && R && tree_equal(L, R);
    case P_SAMEID: return R && same_id(L, R->left);
    case P_X_EQ_CONST_OP_X: return R && same_id(L, R->right);
    case P_BSF_SHIFT: return bsf_shift(t);
    case P_USE_SWAPF: return use_swapf(t);
    case P_BOOLEAN: return plain_type(t) && plain_type(t) == type_bit();
    case P_DELAY: return strcmp(asm_name(t), "___delay") == 0;
    case P_DELAY3: return strcmp(asm_name(t), "___delay3") == 0;
    case P_VA_START: return strcmp(asm_name(t), "___va_start") == 0;
    case P_NOT_VA_START: return strcmp(asm_name(t), "___va_start") != 0;
    case P_BDIVOP: return strcmp(asm_name(t), "___lbdiv") == 0;
    case P_BMODOP: return strcmp(asm_name(t), "___lbmod") == 0;
    case P_ALWAYS_TRUE: return true;
  }
  msg(689, number <= PRED_COUNT ? pred_names[number] : "?");
  return false;
}

bool pred_word_holds(uint32_t word, const tree_node *t) {
  bool holds = pred_eval(word & PRED_NUMBER, t);
  return (word & PRED_NEGATE) ? !holds : holds;
}
