// The PIC18 memory model of codrel: the chip figures and memory classes the
// driver passes with -P, where each global variable was placed and in which
// bank, the const model, and the size and kind of pointers from what they
// point to. Placement itself (placement.cpp) fills this state.
#pragma once
#include <cstdint>
#include <unordered_map>

struct mem_class;
struct mem_range;
struct mem_space;
struct symbol;
struct tree_node;

// Const models: where const data lies and how much of TBLPTR reaches it.
enum { CONST_SMALL = 1, CONST_MEDIUM = 2, CONST_FULL = 3 };

// Class bits of a pointer-target set.
enum : uint32_t {
  TARGET_NULL = 0x1,
  TARGET_ACCESS = 0x10000,
  TARGET_BANKED = 0x20000,
  TARGET_CONST = 0x40000,
  TARGET_FAR = 0x80000,
  TARGET_ANY_RAM = 0x100000,
};

struct memmodel_state {
  char processor[40] = "";
  uint32_t ram_top = 0;  // highest address of class RAM
  bool has_realice = false;
  int32_t realice = 0;
  mem_space *spaces = nullptr, *code = nullptr, *data = nullptr;
  uint32_t data_block = 0;  // address of the initialised-data block (__Ldata)
  bool first_pass = true;
  bool far_used = false;
  uint32_t far_top = 0;  // end of the far data placed
  bool far_or_const_declared = false;
  uint32_t const_far_top = 0;  // highest address of a const or far object
  bool table_reads = false;    // code reads tables through pointers
  bool switch_table = false, switch_tblptru = false;
  mem_range *absbss = nullptr;  // placed zero-initialised and absolute variables
  mem_range *data_ranges = nullptr;  // the initialised-data block
  // A compiled stack across banks: the span its blocks take from its origin.
  uint32_t stack_origin = 0, stack_span = 0;
  std::unordered_map<const symbol *, int32_t> banks;
  // Placement rounds so far, and the weights variables keep from the round
  // after which they no longer change.
  uint32_t place_rounds = 0;
  std::unordered_map<const symbol *, uint32_t> settled_weights;
  symbol *rom_area = nullptr, *ram_any = nullptr, *ram_default = nullptr;
};
memmodel_state &memmodel();

// Forgets the chip, the classes and the placement (a fresh program, tests).
void memmodel_reset();
// The const model from the program's total const size.
int memmodel_const_model();
// The bank placement gave a variable (-3 when not placed).
int32_t memmodel_bank(const symbol *s);
// The bank of a block of bytes: -2 across banks, -1 in the access bank.
int32_t memmodel_block_bank(uint32_t first, uint32_t size);
// The data-space class of that name ("RAM", "BIGRAM", "COMRAM"), made when
// `make` is set; null when absent.
mem_class *memmodel_data_class(const char *name, bool make = false);
mem_class *memmodel_far_class(bool make = false);
// The qualifiers of a variable, through its array dimensions.
uint32_t memmodel_quals(const symbol *s);
// Only a const object of static storage duration lies in program memory;
// const parameters and autos are in RAM like any other.
bool memmodel_in_program_memory(const symbol *s);
// The target class bits of a pointer-valued node, from its targets; a node
// whose targets name no object (an address worked out, a cast) counts by
// what it points to: const in program memory, far, or else data memory.
uint32_t memmodel_pointer_class(const tree_node *t);
// What __activetblptr says: how much of TBLPTR the program's code reaches.
int32_t memmodel_tblptr_usage();
