// The linker's shared records: the symbol table entry that serves symbols,
// psects and classes, the psect record, module records and the inputs of a
// link. Each linker module declares its own operations in its own header.
#pragma once
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "linker/io.h"
#include "linker/lib.h"

struct psect_info;
struct cg_node;
struct addr_range;

// Entry flags. The low four bits are the symbol kind (IO_SYM_*); psect
// entries also carry the PSECT record's flags.
enum : uint32_t {
  LS_KIND = 0x0F,
  LS_GLOBAL = 0x10,
  LS_OVRLD = 0x40,        // every module's contribution starts at offset 0
  LS_ABS = 0x80,          // addresses are not relocated
  LS_BIGBOUND = 0x100,    // XPSECT boundary in units of 0x10000
  LS_BYTE = 0x200,        // 1-byte fields are cut to 8 bits before the check
  LS_BIT = 0x400,         // addresses and sizes count bits
  LS_SIGNAT = 0x800,      // symbol: a signature is known
  LS_SELECTOR = 0x800,    // psect: its selector was used
  LS_RANGED = 0x1000,     // class with -A ranges
  LS_MERGED = 0x2000,     // psect made by merging module-local psects
  LS_CLASS = 0x4000,
  LS_PSECT = 0x8000,
  LS_ENTRY = 0xC000,      // entry kind bits: 0 symbol, LS_CLASS or LS_PSECT
  LS_BOUNDS = 0x10000,    // bounds set by PSECTBOUND
};

// State bits.
enum : uint16_t {
  ST_PASS2 = 2,     // defined in pass 2
  ST_UNPLACED = 4,  // the psect could not be placed
  ST_LOADPART = 8,  // separate load address from a -P "/" part
};

struct link_symbol {
  char *name;
  uint32_t value;
  psect_info *info;        // psects and classes
  link_symbol *base;       // symbol: its psect; equate: its target; psect: merged into
  cg_node *arg_node;       // call-graph blocks of a function
  cg_node *auto_node;
  uint32_t flags;
  uint16_t signature;
  uint16_t file_index;     // input on the command line (NO_INPUT before any)
  uint16_t module_index;   // module inside a library
  uint16_t state;
  bool claimed;            // a pulled library module defines it
  bool local;              // lives in a module's local table
  uint32_t slot;           // in the global table
  link_symbol *split_of;   // a module's own part of this global psect
  std::vector<uint32_t> *roots;  // root indexes of the call graph (code 9)
};

enum : uint16_t { NO_INPUT = 0xFFFF };

// Placement states of a psect record.
enum { PL_NONE = 0, PL_PLACED = 1, PL_CHAIN = 2, PL_CHAIN_DONE = 3 };

struct psect_info {
  uint32_t link;           // bytes (bits for a bit psect)
  uint32_t load;           // bytes
  uint32_t max_size;
  uint32_t limit;
  uint32_t boundary;
  uint32_t size;
  uint32_t contribution;   // of the current module
  uint32_t allocated;      // units, from the chain allocator
  uint32_t common_size;
  uint32_t selector;
  uint32_t low_bound;      // empty bounds: low 1, high 0
  uint32_t high_bound;
  link_symbol *owner;
  std::vector<psect_info *> children;
  uint32_t total;          // size with children
  link_symbol *cls;
  std::vector<addr_range> *ranges;  // a class's -A ranges
  uint32_t list_index;     // position in the psect list
  uint32_t common_offset;  // running offset of commons at the end
  uint8_t attribute;
  uint8_t space;
  uint8_t load_space;
  uint8_t scale;
  uint8_t delta;           // 0 until set; 1 from placement on
  uint8_t place_state;
  bool is_child;
  bool touched;            // contribution in the current module
};

// One input object file, or one module of a library.
struct module_record {
  std::string path;        // input path
  std::string name;        // module name (the path for an object file)
  uint16_t file_index;
  uint16_t module_index;
  bool in_library;
  uint8_t major, minor;    // object code version from IDENT
  std::vector<link_symbol *> psects;   // module-local psects
  std::vector<link_symbol *> symbols;  // module-local symbols
  std::unordered_map<std::string, link_symbol *> psect_index;
  std::unordered_map<std::string, link_symbol *> symbol_index;
  std::vector<psect_info *> touched;   // psects contributed to in this pass
};

struct link_input {
  std::string name;
  bool library = false;
  bool symbols_only = false;   // ".syf"
  bool unreadable = false;     // reported once, skipped in every pass
  module_record *module = nullptr;       // object file
  lib_directory dir;                     // library
  std::vector<module_record *> pulled;   // by directory index; null when not pulled
  uint32_t rounds = 0;
};

// Units of a size in bytes for a psect: ceil(ceil(size / scale) / delta).
uint32_t link_units(const psect_info *p, uint32_t bytes);
// Bytes of a psect's size in load units: ceil(size / scale).
uint32_t link_load_bytes(const psect_info *p, uint32_t size);
