// C types of the program model: basic types, pointers, functions, arrays,
// qualifier records, structs and unions, enums; type strings of the
// intermediate code; sizes, layout, equality and compatibility.
#pragma once
#include <cstdint>

struct ptr_targets;
struct symbol;
struct vec;

enum : uint8_t {
  TY_POINTER = 1,
  TY_FUNCTION = 2,
  TY_ARRAY = 3,
  TY_QUALIFIED = 4,
  TY_BASIC = 5,
  TY_STRUCT = 6,  // struct or union
  TY_ENUM = 7,
};

enum : uint8_t {
  ARITH_NONE = 0,
  ARITH_SIGNED = 1,
  ARITH_UNSIGNED = 2,
  ARITH_FLOAT = 3,
  ARITH_BIT = 4,
};

// Qualifier bits of qualifier records.
enum : uint32_t {
  Q_VOLATILE = 0x2,
  Q_FAR = 0x4,
  Q_NEAR = 0x8,
  Q_INTERRUPT = 0x10,
  Q_PERSISTENT = 0x20,
  Q_CONTROL = 0x100,
  Q_FASTCALL = 0x1000,
  Q_LOW_PRIORITY = 0x20000,
  Q_BDATA = 0x40000,
  Q_CONST = 0x80000,
};

// Pointer flags.
// PTRF_LAID_OUT: the element of an array, whose stride the front end has
// already built into the program's index arithmetic: its size stays.
enum : uint8_t { PTRF_FUNCTION = 2, PTRF_NEW = 8, PTRF_LAID_OUT = 0x10 };

struct ctype {
  uint8_t kind;
  uint8_t arith;       // basic and enum types
  bool is_union;
  bool laid_out;       // struct layout done
  bool comparing;      // struct being compared by type_equal
  bool variadic;       // function taking variable arguments
  uint8_t ptr_flags;
  uint16_t ptr_space;
  ctype *sub;          // pointer target, function return, array element, qualified type
  uint32_t size;       // basic, struct and enum size; pointer size
  uint32_t align;      // alignment mask
  uint32_t count;      // array elements
  uint32_t quals;      // qualifier record bits
  ptr_targets *ptr_data;
  vec *params;         // function: parameter types
  const char *name;    // basic, struct and enum names
  symbol *tag;         // struct and enum tag symbol
  vec *members;        // struct members and enum enumerators (symbols)
};

// The basic types, by name; null for an unknown name.
ctype *type_basic(const char *name);
// Handles kept at start-up.
ctype *type_long();
ctype *type_double();
ctype *type_bit();
ctype *type_void();
ctype *type_char();
ctype *type_uchar();
ctype *type_index();   // "x", the 2-byte signed offset type
ctype *type_uindex();  // "ux"
ctype *type_int();
// Basic types in creation order (for lookups by size and class).
vec *type_basic_list();
// Makes the basic types afresh (called by the symbol table's start-up).
void types_init_basic();

ctype *type_new(uint8_t kind);
ctype *type_derive(ctype *base, uint8_t kind);
ctype *type_qualify(ctype *type, uint32_t bits);
ctype *type_array_of(ctype *element, uint32_t count);
ctype *type_unqual(ctype *type);
// Qualifier bits of the qualifier records at the top of the type.
uint32_t type_qualifiers(const ctype *type);
ctype *type_target(ctype *type);
uint32_t type_size(ctype *type);
uint8_t type_arith(ctype *type);
bool type_is_pointer(ctype *type);
bool type_is_function(ctype *type);
bool type_is_struct(ctype *type);  // after qualifiers and array dimensions
void type_set_ptr_size(ctype *pointer, uint32_t size);
ctype *type_parse(const char *text);
// The letters of qualifier bits in the order of the qualifier letters (const
// has two, "DC"); `out` holds at least TYPE_QUALIFIER_LETTERS + 1 bytes.
enum { TYPE_QUALIFIER_LETTERS = 11 };
void type_qualifier_letters(uint32_t bits, char *out);
ctype *type_for_size(uint32_t size, uint8_t arith);
ctype *type_arith_result(ctype *a, ctype *b);
bool type_equal(ctype *a, ctype *b);
bool type_compatible(ctype *a, ctype *b);
// type_compatible, reporting message 1264 with both type texts when asked.
bool sym_check_compatible(ctype *a, ctype *b, bool report);
uint32_t type_max_align(uint32_t size);
// Alignment mask of any type (arrays and qualifiers look through).
uint32_t type_align(ctype *type);
uint32_t type_min_int_size(uint32_t value);
// Struct layout: member offsets, bit-fields, size and alignment.
void type_layout(ctype *s);
// Packing cap of struct members (the "p" directive sets it).
void type_set_packing(uint32_t cap);

// Set once the program's pointer graph is complete: pointer sizes then come
// from their targets.
extern bool pointGraphCompleted;
