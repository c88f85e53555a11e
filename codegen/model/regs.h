// The register model: 47 numbered machine registers of the PIC18 core and
// the code generator's scratch bytes, the register classes that patterns
// name, temporaries and virtual registers, and sets of them.
#pragma once
#include <cstdint>

#include "codegen/model/iset.h"

struct symbol;
struct tree_node;
typedef iset regset;

// One number space for registers, classes, temporaries and virtual registers.
enum : uint32_t {
  REG_NONE = 0,
  REG_WREG = 1,
  REG_FSR0L = 2,
  REG_FSR0H = 3,
  REG_FSR1L = 4,
  REG_FSR1H = 5,
  REG_FSR2L = 6,
  REG_FSR2H = 7,
  REG_STATUS_Z = 8,
  REG_STATUS_C = 9,
  REG_PCLAT = 10,
  REG_BTEMP = 11,  // btemp+1 ... btemp+7 follow as 12 to 18
  REG_TOSL = 19,
  REG_STRUCTRET = 20,
  REG_TBLPTRL = 21,
  REG_TBLPTRH = 22,
  REG_TBLPTRU = 23,
  REG_PRODL = 24,
  REG_PRODH = 25,
  REG_BSR = 26,
  REG_XBTEMP = 27,
  REG_CSTACK = 28,
  REG_LAST_LEAF = 28,
  REG_STATUS = 29,
  REG_FSR0 = 30,
  REG_FSR1 = 31,
  REG_FSR2 = 32,
  REG_TBLPTR = 33,
  REG_PROD = 34,
  REG_WTEMP0 = 35,
  REG_WTEMP1 = 36,
  REG_WTEMP2 = 37,
  REG_WTEMP3 = 38,
  REG_LTEMP0 = 39,
  REG_LTEMP1 = 40,
  REG_TTEMP0 = 41,
  REG_TTEMP1 = 42,
  REG_W_STAT = 43,
  REG_STRUCTREG = 44,
  REG_CPSTRUCT = 45,
  REG_ALLREG = 46,
  REG_EMPTY = 47,
  REG_CLASS_FIRST = 48,  // classes '0' to ':' are 48 to 58
  REG_CLASS_LAST = 58,
  REG_TEMP = 59,         // a temporary in memory of the size the value needs
  REG_TEMP_FIRST = 60,   // temporary n - 59 ("TEMP1" ...): the byte at offset n - 60 of the
                         // function's temporary area
  REG_VIRTUAL_FIRST = 0x10000,
};

// Flag word of a register: cost in the low 7 bits; 0x80 may not be named in
// a register list; 0x100 marks ltemp0, ltemp1 and allreg.
enum : uint16_t { REGF_COST = 0x7f, REGF_UNLISTED = 0x80, REGF_WIDE = 0x100 };

struct reg_desc {
  const char *name;
  uint32_t mask;       // one bit per leaf register
  uint8_t size;        // leaf bytes
  uint8_t parts[12];   // components, low part first; 0-terminated
  uint16_t flags;
};
extern const reg_desc reg_table[REG_EMPTY + 1];

struct reg_class_desc {
  uint32_t mask;
  uint8_t members[10];  // preference order, 0-terminated; REG_TEMP last means "or memory"
};
extern const reg_class_desc reg_classes[REG_CLASS_LAST - REG_CLASS_FIRST + 1];

inline bool reg_is_class(uint32_t r) { return r >= REG_CLASS_FIRST && r <= REG_CLASS_LAST; }
uint32_t reg_cost(uint32_t r);

// Cached, read-only sets: the leaves meeting a mask; the set of a number.
const regset *rset_for_mask(uint32_t mask);
const regset *rset_of(uint32_t r);
// r is in the set itself, or all of its leaves are.
bool reg_in_set(const regset *set, uint32_t r);
void reg_add_leaves(regset *set, uint32_t r);

uint32_t rclass_pick(const regset *set, uint32_t c);
uint32_t rclass_find_free(const regset *set, uint32_t c, const regset *want);
uint32_t rclass_choose(const regset *avail, const regset *want, const regset *within, uint32_t c,
                       bool last);

// The temporary number for a value (r = REG_TEMP: the node's size; above it
// r - 59 bytes) at the first free offset of the current tree: 60 + offset.
uint32_t rset_new_temp(const tree_node *node, uint32_t r);
// Frees `size` bytes from temporary `first` for later values of the tree.
void rset_release_temp(uint32_t first, uint32_t size);
enum { TEMPS_TREE = 0, TEMPS_FUNCTION = 1 };
void rset_temps_reset(int scope);
uint32_t rset_temps_offset();
uint32_t rset_temps_high();

// Text of a register number in a static buffer that the next call overwrites.
const char *register_name(uint32_t r);
// Registers of a registers-used list (message 749 for each unknown word);
// null when no word was accepted.
regset *parse_register_list(const char *text);

// Module state shared with selection and allocation: registers the current
// function has used, registers selection found busy, registers free for
// variables, registers the program uses.
regset *rset_function_used();
regset *rset_busy();
regset *rset_free_regs();
// The free set at the start of function f's code: every register but those
// its parameters arrive in and are still kept in.
void rset_reset_free_regs(symbol *f);
regset *rset_program_used();
