// Shared state of the PIC18 assembler: psects, symbols, the code and data
// items each psect receives, relocatable values, and the facts the object
// file records carry.
#pragma once
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

// Message numbers of the assembler (texts in dat/en_msgs.txt).
enum {
  ASM_MSG_OPEN = 141,         // cannot open %s file "%s"
  ASM_MSG_UNKNOWN_OPTION = 168,
  ASM_MSG_WRITE = 378,        // cannot write %s file "%s"
  ASM_MSG_UNKNOWN_WORD = 3201,
  ASM_MSG_SYNTAX = 3202,
  ASM_MSG_RANGE = 3203,
  ASM_MSG_BRANCH = 3204,
  ASM_MSG_REDEFINED = 3205,
  ASM_MSG_PSECT_FLAG = 3206,
  ASM_MSG_PSECT_CONFLICT = 3207,
  ASM_MSG_NO_PSECT = 3208,
  ASM_MSG_NOT_ABSOLUTE = 3209,
  ASM_MSG_NOT_DEFINED_YET = 3210,
  ASM_MSG_OPERANDS = 3211,
  ASM_MSG_DIVIDE = 3212,
  ASM_MSG_ODD = 3213,
  ASM_MSG_OVERLAP = 3214,
  ASM_MSG_CYCLE = 3215,
  ASM_MSG_EXPORT = 3216,
  ASM_MSG_USAGE = 3217,
  ASM_MSG_CHIP = 3218,
  ASM_MSG_BIT_PSECT = 3219,
  ASM_MSG_FNCONF = 3220,
  ASM_MSG_ACCESS = 3221,
  ASM_MSG_NOT_RELOCATABLE = 3222,
  ASM_MSG_TOO_LONG = 3223,
  ASM_MSG_DEEP = 3224,
  ASM_MSG_BYTE_TRUNCATED = 3225,  // a warning
};

struct asm_psect;

// A term of a linear relocatable value: coef times the address of a psect's
// contribution from this module, or of an external symbol.
struct asm_term {
  bool is_psect;
  std::string name;
  int64_t coef;
};

// A value the linker must finish, as a tree of relocation-expression
// operators (linker/io.h); leaves are constants, psects and symbols.
struct asm_rnode {
  uint8_t op;
  int depth = 1;
  int64_t value;     // IO_OP_CONST
  std::string name;  // IO_OP_PSECT, IO_OP_SYM
  std::shared_ptr<const asm_rnode> left, right;
};
using asm_rtree = std::shared_ptr<const asm_rnode>;

// The value of an expression: a constant plus a linear sum of relocatable
// terms, or a tree when an operation the linear form cannot hold met a
// relocatable operand.
struct asm_value {
  int64_t k = 0;
  std::vector<asm_term> terms;
  asm_rtree tree;
  bool masked = false;  // the outermost operation was "&"
  bool is_absolute() const { return !tree && terms.empty(); }
};

// One relocation of an item: a field at an offset within the item.
struct asm_reloc {
  uint32_t offset;
  uint8_t type;
  std::string name;           // psect or symbol kinds
  std::vector<uint8_t> expr;  // expression kinds, ending with operator 0
};

struct asm_expr;

// An operand as written: an expression, or a designator word.
struct asm_operand {
  std::string text;
  std::shared_ptr<asm_expr> expr;
};

struct insn_desc;

// Code or data placed in a psect; instructions and data whose operands may
// refer to later symbols are encoded once the whole source is read.
struct asm_item {
  asm_psect *psect;
  uint32_t offset;
  uint32_t size;
  int line;
  int statement;                   // index of the source statement, for the listing
  const insn_desc *insn = nullptr; // an instruction, else data
  int data_size = 0;               // db 1, dw 2; 0 for bytes known already
  std::vector<asm_operand> operands;
  std::vector<uint8_t> bytes;
  std::vector<asm_reloc> relocs;
};

struct asm_psect {
  std::string name;
  int order;
  uint32_t flags = 0;
  std::map<std::string, std::string> declared;  // flags as first given
  bool has_flags = false;
  std::string cls, within;
  uint32_t space = 0, delta = 0, boundary = 0, max_size = 0, limit = 0;
  bool big_boundary = false;  // the boundary counts in units of 0x10000
  uint32_t loc = 0;           // current offset: bytes, bits in a bit psect
  uint32_t size = 0;          // highest offset reached
  std::vector<asm_item *> items;
  bool is_abs() const;
  bool is_bit() const;
  uint32_t unit() const { return delta > 1 ? delta : 1; }
};

enum asm_sym_kind { SYM_UNDEFINED, SYM_LABEL, SYM_EQU, SYM_SET, SYM_EXTERN };

struct asm_symbol {
  std::string name;
  asm_sym_kind kind = SYM_UNDEFINED;
  bool global = false;
  bool referenced = false;
  bool in_fn = false;        // named by a call-graph or signature directive
  asm_psect *psect = nullptr;
  uint32_t offset = 0;       // labels
  std::shared_ptr<asm_expr> expr;  // equates not yet evaluated
  asm_value value;           // equates and sets once known
  bool value_known = false;
  bool evaluating = false;
  int line = 0;
};

// One line of the source, kept for the listing.
struct asm_line_info {
  int line;
  std::string text;
  asm_psect *psect = nullptr;
  uint32_t offset = 0;
  bool placed = false;
  int origin_file = -1;  // the source the "file" and "line" directives in force name
  int origin_line = 0;
};

// Call-graph and debug facts gathered for the records of the same names.
struct asm_fninfo {
  uint8_t code;
  std::string a, b;
  uint32_t n1 = 0, n2 = 0;
};

struct asm_debug_symbol {
  uint16_t kind;  // line or file
  std::string name;
  asm_psect *psect;
  uint32_t offset;
};

struct asm_state {
  // Options.
  std::string source;
  uint32_t sfr_start = 0xF60;  // first address of the SFR part of the access bank
  bool exclude_locals = false;

  // Symbols and psects.
  std::map<std::string, asm_symbol> symbols;
  std::vector<std::string> symbol_order;  // definition order for the object
  std::vector<std::unique_ptr<asm_psect>> psects;
  asm_psect *current = nullptr;
  std::vector<std::unique_ptr<asm_item>> items;

  // Records gathered from directives.
  std::vector<asm_fninfo> fninfo;
  std::vector<std::vector<std::string>> fnalign;  // one list per directive line
  bool have_fnconf = false;
  std::string fnconf_psect, fnconf_auto, fnconf_arg;
  bool fnconf_depth_given = false;
  uint32_t fnconf_depth = 0;
  std::vector<std::pair<std::string, uint32_t>> signatures;
  struct absrange {
    uint32_t space, address, length;
  };
  std::vector<absrange> absranges;
  std::vector<asm_debug_symbol> debug;
  std::string pending_file;   // file of the next line record
  bool file_pending = false;
  int pending_line = -1;      // line number waiting for the next code
  // The source position the "file" and "line" directives give, used for
  // messages about the lines that follow them.
  std::deque<std::string> origin_files;
  int origin_file = -1;
  int origin_line = 0;
  int message_line = 0;
  std::shared_ptr<asm_expr> start;  // "end" label
  int start_line = 0;
  std::string processor;

  // Position and listing.
  int eval_depth = 0;
  int line = 0;
  int statement = -1;
  std::vector<asm_line_info> lines;
  bool ended = false;
};

asm_symbol *asm_symbol_get(asm_state *st, const std::string &name);
asm_psect *asm_psect_get(asm_state *st, const std::string &name);
