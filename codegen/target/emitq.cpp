#include "codegen/target/emitq.h"

#include <algorithm>

#include "codegen/model/ptrtargets.h"
#include "codegen/model/stack.h"
#include "codegen/model/regs.h"
#include "codegen/model/symbols.h"
#include "codegen/model/tree.h"
#include "codegen/model/types.h"
#include "codegen/target/memmodel.h"

namespace {

constexpr uint32_t CLASS_CONST = 0x40000, CLASS_FAR = 0x80000, CLASS_DATA = 0x130001;
constexpr uint32_t ACCESS_SFR_LOW = 0xF01, DATA_SPACE_END = 4096;

uint32_t target_bits(const tree_node *t) { return memmodel_pointer_class(t); }

bool is_two_byte_pointer(const tree_node *t) {
  ctype *plain = type_unqual(t->type);
  return plain && plain->kind == TY_POINTER && tree_size(t) == 2;
}

constexpr uint32_t UNKNOWN_OFFSET = ~0u;

// -2 when the first and last byte lie in different banks, -1 in the access bank.
int32_t bank_of_range(uint32_t first, uint32_t last) {
  if (first >> 8 != last >> 8) return BANK_CROSSING;
  if (emit_in_access_bank(first) && emit_in_access_bank(last)) return BANK_COMMON;
  return int32_t(first >> 8);
}

// Where in its function's block a local, a parameter or an area begins.
uint32_t block_offset(const symbol *s) {
  const symbol *f = s->owner;
  if (s->flags & SYM_STACK_AREA) return s == f->param_area ? 0 : f->params_size;
  // A parameter that arrives in a register and is kept in memory lives among the autos.
  bool in_param_area = s->sclass == SC_PARAM && (s->flags & SYM_PARAM_IN_MEMORY) && !s->reg;
  return in_param_area ? s->offset : f->params_size + s->offset;
}

}  // namespace

int32_t emit_stack_bank(const symbol *f, uint32_t offset, uint32_t size) {
  if (!stack_pinned()) return emit_chip().param_bank;
  uint32_t base = stack_block_address(f);
  if (base == STACK_NOT_PINNED) return BANK_UNKNOWN;
  return bank_of_range(base + offset, base + offset + (size ? size - 1 : 0));
}

int32_t emit_temps_bank() {
  symbol *f = sym_current_function();
  if (!stack_pinned() || !f) return emit_chip().param_bank;
  uint32_t start = f->params_size + f->autos_size, end = stack_block_size(f);
  return emit_stack_bank(f, start, end > start ? end - start : 1);
}

int32_t emit_stack_object_bank(const symbol *s, uint32_t offset, uint32_t reached) {
  if (!stack_pinned() || !s->owner || (s->owner->flags2 & SYM2_REENTRANT)) return emit_chip().param_bank;
  uint32_t size = type_size(s->type);
  if (offset == UNKNOWN_OFFSET || !reached || offset + reached > size) {
    offset = 0;
    reached = size;
  }
  return emit_stack_bank(s->owner, block_offset(s) + offset, reached);
}

emit_chip_state &emit_chip() {
  // Until a chip is described: 64 KiB of program memory, whose highest
  // address is the figure the driver passes.
  static emit_chip_state chip = {0xFFFF, 0x5f, {0, 0, 0, 0}, 0, 0};
  return chip;
}

bool emit_in_access_ram(uint32_t address) { return address <= emit_chip().comram_top; }
bool emit_in_access_sfr(uint32_t address) {
  return address < DATA_SPACE_END && address >= emit_chip().comram_top + ACCESS_SFR_LOW;
}
bool emit_in_access_bank(uint32_t address) { return emit_in_access_ram(address) || emit_in_access_sfr(address); }

bool emit_ptr_rom_and_ram(const tree_node *t) {
  uint32_t bits = target_bits(t);
  return is_two_byte_pointer(t) && (bits & CLASS_CONST) && (bits & CLASS_DATA);
}

bool emit_ptr_far_and_ram(const tree_node *t) {
  uint32_t bits = target_bits(t);
  return is_two_byte_pointer(t) && (bits & CLASS_FAR) && !(bits & CLASS_CONST) && (bits & CLASS_DATA);
}

int32_t emit_tblptr_usage() { return emit_chip().tblptr_usage; }

int32_t emit_operand_bank(const tree_node *t, uint32_t level, bool no_register, symbol **out_sym) {
  // The bytes reached: an object larger than a bank, or one across a bank
  // boundary, has the bank of the part an access at a constant offset reads.
  uint32_t offset = 0, reached = t ? tree_size(t) : 0;
  for (bool below = false; t; t = t->left, below = true) {
    // An operand is its node's value as the node's last level leaves it: a
    // level that works the value into a register or temporary names that.
    if (below) level = t->count ? t->count - 1 : 0;
    if (!no_register && level < t->count && t->greg[level] && t->greg[level] < REG_VIRTUAL_FIRST) {
      uint32_t reg = t->greg[level];
      return reg == REG_CSTACK || reg >= REG_TEMP ? emit_temps_bank() : BANK_COMMON;
    }
    if (t->op == OP_ID && t->sym) {
      symbol *s = t->sym;
      // A variable held in a register is named by the register, wherever
      // its memory lies.
      if (uint32_t reg = sym_held_reg(s))
        return reg == REG_CSTACK || reg >= REG_TEMP ? emit_temps_bank() : BANK_COMMON;
      if (s->flags & (SYM_ABSOLUTE | SYM_PLACED)) {
        bool bit = type_arith(s->type) == ARITH_BIT;
        uint32_t first = uint32_t(bit ? s->address / 8 : s->address);
        uint32_t size = bit ? 1 : type_size(s->type);
        int32_t bank = !bit && offset != UNKNOWN_OFFSET && reached && offset + reached <= size
                           ? bank_of_range(first + offset, first + offset + reached - 1)
                           : bank_of_range(first, first + (size ? size - 1 : 0));
        if (bank == BANK_CROSSING && out_sym) *out_sym = s;
        return bank;
      }
      if ((s->flags2 & SYM2_REG_HELD) && (s->flags2 & SYM2_IN_REGISTER)) return BANK_COMMON;
      if (s->sclass != SC_PARAM && s->sclass != SC_AUTO && !(s->flags & SYM_STACK_AREA)) {
        // Not placed yet: the placement of variables gives the bank.
        if (out_sym && s->sclass == SC_EXTERN) *out_sym = s;
        return BANK_UNKNOWN;
      }
      int32_t bank = emit_stack_object_bank(s, offset, reached);
      // Where no bank is known, the object's own address selects one; one
      // whose bytes lie in two banks is named, as no selection reaches it.
      if ((bank == BANK_UNKNOWN || bank == BANK_CROSSING) && out_sym) *out_sym = s;
      return bank;
    }
    if (t->op == OP_CALL || t->op == OP_CALLZAP) {
      // The value comes back in the callee's parameter area.
      const tree_node *callee = t->left;
      if (!stack_pinned()) return emit_chip().param_bank;
      if (callee && callee->op == OP_ID && callee->sym)
        return emit_stack_bank(callee->sym, 0, std::max(callee->sym->params_size, 1u));
      return BANK_UNKNOWN;
    }
    bool follows = t->op == OP_CONV || t->op == OP_DEREF || t->op == OP_ADDR ||
                   (t->op == OP_ADD && tree_is_pointer(t));
    if (!follows) break;
    if (t->op == OP_ADD) {
      const tree_node *k = t->right;
      if (k && k->op == OP_CONST && k->value >= 0 && offset != UNKNOWN_OFFSET)
        offset += uint32_t(k->value);
      else
        offset = UNKNOWN_OFFSET;
    } else if (t->op == OP_CONV) {
      offset = UNKNOWN_OFFSET;  // the size reached is no longer the operand's
    }
  }
  return BANK_UNKNOWN;
}

int32_t emit_mask_bit(const tree_node *n) {
  if (!n || n->op != OP_CONST) return -1;
  uint32_t size = tree_size(n);
  uint32_t mask = size >= 4 || size == 0 ? 0xFFFFFFFFu : (1u << (8 * size)) - 1;
  uint32_t v = uint32_t(n->value) & mask;
  if (v && !(v & (v - 1))) return __builtin_ctz(v);
  uint32_t c = ~v & mask;
  if (c && !(c & (c - 1))) return __builtin_ctz(c);
  return -1;
}

uint32_t emit_bit_byte(const tree_node *n) {
  int32_t bit = emit_mask_bit(n);
  return bit < 0 ? 0 : uint32_t(bit) / 8;
}

uint32_t emit_bit_count(int32_t v) {
  if (v == INT32_MIN) return 1;
  if (v <= 0) return 32;
  return uint32_t(__builtin_popcount(uint32_t(v)));
}

bool emit_is_pow2(int32_t v) { return v > 0 && (v & (v - 1)) == 0; }
