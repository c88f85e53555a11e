// What the predicates ask of the PIC18 memory model and emitter: the chip's
// figures, access-bank and pointer-class tests, the bank an operand is
// reached through, and two bit counts. The emitter sets the chip figures
// when it reads the chip description.
#pragma once
#include <cstdint>

struct symbol;
struct tree_node;

struct emit_chip_state {
  uint32_t rom_size;       // program memory bytes
  uint32_t comram_top;     // highest address of the access RAM
  uint32_t options[4];     // option words of the chip description; 0: errata bits
  int32_t tblptr_usage;    // 0 none, 1 TBLPTRL, 2 TBLPTRL and H, 3 all three bytes
  int32_t param_bank;      // bank of the compiled stack
};
emit_chip_state &emit_chip();

// Option word 0 bit: bank 15 is reached without bank selection only
// through the access bank.
enum : uint32_t { CHIP_OPT_BANK15_SPLIT = 0x20 };

// Banks an operand can be reached through besides 0 to 15.
enum : int32_t { BANK_COMMON = -1, BANK_CROSSING = -2, BANK_UNKNOWN = -3, BANK_FAR = -4 };

bool emit_in_access_ram(uint32_t address);
bool emit_in_access_sfr(uint32_t address);
bool emit_in_access_bank(uint32_t address);
// A 2-byte pointer whose targets mix program memory (or far data, without
// const) with data memory.
bool emit_ptr_rom_and_ram(const tree_node *t);
bool emit_ptr_far_and_ram(const tree_node *t);
int32_t emit_tblptr_usage();
// The bank through which the operand is reached at its pattern `level`;
// `out_sym` gets an extern whose bank is not known yet.
int32_t emit_operand_bank(const tree_node *t, uint32_t level, bool no_register, symbol **out_sym);
// Banks of the compiled stack: `param_bank` while it lies in one bank;
// otherwise the bank of the bytes reached in a function's block (from
// `offset`, `size` bytes), of the current function's temporaries, or of
// bytes of a local, a parameter or an area (the whole object when `reached`
// is 0 or beyond it).
int32_t emit_stack_bank(const symbol *f, uint32_t offset, uint32_t size);
int32_t emit_temps_bank();
int32_t emit_stack_object_bank(const symbol *s, uint32_t offset, uint32_t reached);
// 1 bits of a positive value; 1 for the lowest negative value; 32 for other
// values at or below 0.
uint32_t emit_bit_count(int32_t v);
// The index of the one bit of a constant mask within the node's size, or of
// the one bit its complement leaves clear; -1 when neither has one bit.
int32_t emit_mask_bit(const tree_node *n);
// The byte that holds that bit (0 when there is none).
uint32_t emit_bit_byte(const tree_node *n);
bool emit_is_pow2(int32_t v);
