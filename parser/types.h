// The parser's type model: one small type object per type (base code,
// pointer-level word, qualifier bits, one derivation), the size table of
// "-Z", the qualifier table of "-Q" and the keywords of "-T".
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

struct symbol;
struct expr_node;

// Base type codes; an odd code is the unsigned variant of the even one below.
enum type_code : uint32_t {
  TC_NONE = 0,
  TC_BIT = 2,
  TC_CHAR = 4,
  TC_UCHAR = 5,
  TC_SHORT = 6,
  TC_USHORT = 7,
  TC_INT = 8,
  TC_UINT = 9,
  TC_SHORTLONG = 10,
  TC_USHORTLONG = 11,
  TC_LONG = 12,
  TC_ULONG = 13,
  TC_LONGLONG = 14,
  TC_ULONGLONG = 15,
  TC_INDEX = 16,
  TC_UINDEX = 17,
  TC_FLOAT = 18,
  TC_DOUBLE = 20,
  TC_ENUM = 22,
  TC_VOID = 24,
  TC_TYPEDEF = 26,
  TC_ELLIPSIS = 28,
  TC_STRUCT = 30,
  TC_UNION = 32,
  TC_POINTER = 33,  // size lookups only: "a pointer"
};

enum type_kind : uint8_t { TK_NONE = 0, TK_ARRAY = 1, TK_FUNCTION = 2 };

struct param_list;

// One type: derivation `kind` of (pointer levels of (qualified base)). The
// qualifiers qualify the base; derivations that one object cannot hold go
// through hidden typedefs. `extra` data (dimension trees, parameter lists) is
// immutable once built and may be shared between copies.
struct type_t {
  symbol *base;        // enum/struct/union tag, or typedef symbol
  expr_node *dim;      // array: dimension expression (index type) or null
  param_list *params;  // function: parameter list, null without prototype
  int32_t count;       // array element count, -1 unknown, 0 not constant
  uint16_t ptr;        // pointer-level word: one set bit per level
  uint32_t quals;      // one bit per qualifier table entry
  uint32_t code;       // type_code
  uint8_t kind;        // type_kind
  uint8_t old_style;   // function declared without prototype (an old_style_kind)
};

enum old_style_kind : uint8_t { OLD_STYLE_EMPTY = 1, OLD_STYLE_LIST = 2 };  // "()", "(a, b)"

struct param_list {
  uint32_t count;
  type_t *types;  // a lone void type means "(void)"; last code 28: ellipsis
};

// Qualifier table entry flags.
enum { QF_EXACT = 1, QF_SILENT = 2, QF_READONLY = 4 };

struct qual_entry {
  const char *name;  // null: free entry
  char letter;
  uint8_t flags;
  uint8_t ptr_size;
  uint32_t bit;
};

// Qualifier roles other code tests.
enum qual_role {
  ROLE_INTERRUPT, ROLE_COMPACT, ROLE_LARGE, ROLE_SMALL, ROLE_FAR, ROLE_NEAR,
  ROLE_PERSISTENT, ROLE_USING, ROLE_REENTRANT, ROLE_BANK1, ROLE_BANK2, ROLE_BANK3,
  ROLE_SFR, ROLE_INLINE, ROLE_FASTCALL, ROLE_COUNT
};

extern qual_entry qual_table[32];
extern uint32_t qual_roles[ROLE_COUNT];  // bit of each role, 0 when undefined
extern uint32_t qual_auto_allowed;       // "-A" list
extern uint32_t qual_copy_quals;         // "-I" list
extern bool fastcall_mode;               // a "__fastcall16" qualifier exists

void types_init();
// Frees the qualifier names and keywords (the end of a run).
void types_release();
// "-Q<letter>[flags][size],<name>"; reports 233 or 307.
void qual_define(const char *spec);
uint32_t qual_lookup(const char *name);
// Bits of a comma-separated name list ("-A", "-I"); reports the given
// unknown/empty message numbers.
uint32_t qual_list(const char *list, unsigned unknown_msg, unsigned empty_msg);
const qual_entry *qual_by_bit(uint32_t bit);
uint32_t qual_readonly_bits();

// Keywords of "-T": a name standing for qualifier bits and an argument pattern.
struct qual_keyword {
  char *name;
  uint32_t bits;
  char *pattern;
  int32_t value;
};
void keyword_define(const char *spec);
// The keyword a name stands for ("name", "__name", "__name__"), or null.
qual_keyword *keyword_find(const char *name);

// Size table ("-Z").
void size_table_set(const char *list);
// Size in bytes of a base type code (pointer: TC_POINTER).
uint32_t size_of_code(uint32_t code);
int32_t size_max_signed(uint32_t code);

// Type operations.
type_t type_plain(uint32_t code);
bool type_is_void(const type_t &t);       // plain void, no levels
bool type_is_scalar(const type_t &t);
bool type_is_integral(const type_t &t);   // includes enums and bit
bool type_is_arith(const type_t &t);
bool type_is_pointer(const type_t &t);
bool type_is_float(const type_t &t);
bool type_is_function(const type_t &t);   // function (not pointer to)
bool type_is_array(const type_t &t);
bool type_is_struct(const type_t &t);     // structure or union value
bool type_is_unsigned(const type_t &t);
int type_ptr_count(uint16_t word);
// Looks through typedefs at the top (no pointer levels of its own).
type_t type_strip(const type_t &t);
// Adds one pointer level; reports 256 past sixteen levels.
bool type_add_pointer(type_t &t);
// The type a pointer points to, an array's element type, a function's result.
type_t type_deref(const type_t &t);
type_t type_element(const type_t &t);
type_t type_result(const type_t &t);
// Size in bytes (0 when unknown); reports 211 for bit.
uint32_t type_size(const type_t &t);
// True when the size is known to the parser as a plain constant.
bool type_size_is_constant(const type_t &t);
bool type_equal(const type_t &a, const type_t &b, bool allow_missing);
bool type_ptr_compatible(const type_t &a, const type_t &b);
bool qual_compatible(uint32_t target, uint32_t source);
// The address type of a pointer type (the integer type of its size).
type_t type_address(const type_t &ptr);
type_t type_size_type();
type_t type_index(bool is_unsigned);

// Texts: the type in C words (messages, prototype file).
std::string type_text(const type_t &t);
std::string type_suffix(const type_t &t);
// A named function's declaration in C syntax: the result type around
// "name(parameters)".
std::string type_declaration_text(const type_t &ret, const std::string &name_and_params);
void type_describe(const type_t &t);
void type_describe_pair(const type_t &a, const type_t &b, const char *sep);
void type_describe_not(const type_t &t);

// Flattening of typedef references (declarations).
type_t type_resolve(const type_t &t);
