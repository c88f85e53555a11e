// Symbols and scopes: every name of the translation unit lives in one hash
// table of records with a scope level; lookups keep tags, members and labels
// apart; declarations are checked against earlier ones.
#pragma once
#include <cstdint>
#include "parser/types.h"

struct hash_table;

// Storage classes (the keyword classes use the keywords' token codes).
enum sym_class : uint8_t {
  SC_NONE = 0,
  SC_PARAM = 6,
  SC_LABEL = 7,
  SC_STRUCT = 8,
  SC_UNION = 9,
  SC_MEMBER = 10,
  SC_ENUM = 11,
  SC_ENUMCONST = 12,
  SC_AUTO = 21,
  SC_EXTERN = 31,
  SC_REGISTER = 38,
  SC_STATIC = 43,
  SC_TYPEDEF = 46,
};

enum sym_flag : uint32_t {
  SF_DEFINED = 0x1,
  SF_USED = 0x2,
  SF_REGISTER = 0x4,
  SF_OLD_LISTED = 0x8,
  SF_VALUE = 0x10,  // object, function or enumeration constant
  SF_OLD_TYPED = 0x20,
  SF_REGARGS = 0x40,
  SF_TEMP = 0x80,
  SF_WRITTEN = 0x100,
  SF_VARIADIC = 0x200,  // parameters: declared by a prototype
  SF_BITFIELD = 0x400,
  SF_ABSOLUTE = 0x1000,
  SF_PRINTF = 0x2000,
  SF_INLINE = 0x4000,
  SF_NUMBERED = 0x8000,  // written "F%d"
  SF_ANON_MEMBER = 0x10000,
};

struct symbol {
  char *name;
  symbol *chain;      // next in hash bucket
  symbol *next;       // next member / constant / parameter; free-list link
  symbol *base;       // symbol a bit object is placed inside
  uint32_t address;   // absolute address, or bit offset inside base
  type_t type;
  uint32_t tag_number;  // "S%d" of structures and unions
  symbol *link;       // enumeration constant: its tag
  uint16_t width;     // bit-field width
  int32_t value;      // enumeration constant value
  uint32_t serial;    // creation number
  uint32_t ordinal;   // member/constant position from 0; parameter from 1
  uint32_t flags;
  uint32_t line;
  const char *file;
  uint32_t features;
  uint32_t format_quals;
  uint8_t cls;
  int level;
  uint8_t mark;
  uint8_t in_table;   // linked into the hash table
  hash_table *members;  // structure/union member table
  symbol *first;        // first member / constant / parameter
  symbol *decayed;      // cached hidden typedef of a function's type
  int32_t declared_count;  // parameter declared as an array: its element count
};

extern int sym_level;              // current scope level
extern bool sym_want_tag;          // name-space switches
extern bool sym_want_member;
extern bool sym_want_label;

void sym_init();
symbol *sym_lookup(const char *name);
// The newest record of a name with the given class, or null.
symbol *sym_lookup_class(const char *name, int cls);
symbol *sym_find_or_add(const char *name);
// The file-scope object or function of a name (extern or static), or null.
symbol *sym_lookup_file(const char *name);
symbol *sym_new(const char *name);
// A new record linked into the table at the current level.
symbol *sym_new_linked(const char *name);
// End-of-scope checks of the file-scope records at the end of the input.
void scope_close_file();
symbol *sym_temp();
symbol *sym_declare(symbol *rec, int cls, const type_t &type, symbol *owner);
bool sym_define(symbol *rec);
void sym_move_to_level(symbol *rec, int level);
void sym_unlink(symbol *rec);
// Puts a record back at the head of its bucket at the current level.
void sym_relink(symbol *rec);
void sym_member_add(symbol *tag, symbol *member, const char *name);
symbol *sym_member_find(symbol *tag, const char *name);
void scope_open();
void scope_close();
// Raises/lowers the level without records or checks (parameter lists).
void scope_enter_quiet();
void scope_leave_quiet();
uint32_t sym_next_number();
// Frees every record (the end of a run).
void sym_release();
bool sym_is_main(const symbol *rec);
void sym_write_features();
// Declares a hidden typedef of a type (class typedef, written "F%d").
symbol *sym_hidden_typedef(const type_t &type, int level);
const char *sym_intern_file(const char *name);
// Level at which hidden typedefs and new tags of the declaration being
// parsed are created (outside of every parameter list).
extern int sym_decl_level;
