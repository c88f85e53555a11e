// Every flag bit of a symbol, one meaning per bit. Where several program
// phases want a mark on a symbol they share the bit only when they mean the
// same thing; other marks have bits of their own here.
#pragma once
#include <cstdint>

// First flag word (symbol::flags).
enum : uint32_t {
  SYM_DEFINED = 0x1,             // defined in this program (read by the emitter)
  SYM_GLOBAL_REF = 0x2,          // extern referenced here: needs a global directive
  SYM_ASSIGNED = 0x4,            // written by some assignment or compound assignment
  SYM_REG_PARAM = 0x8,           // register parameter (class letter R)
  SYM_VARIADIC = 0x10,           // function taking variable arguments
  SYM_NEVER_USED = 0x20,         // nothing reads it; assignments to it are dropped
  SYM_PARAM = 0x40,              // parameter; on a function the register-argument mark "f"
  SYM_ABSOLUTE = 0x80,           // at a fixed address
  SYM_LIBRARY = 0x100,           // function of a library module loaded for a wanted name
  SYM_COMPILER_MADE = 0x400,
  SYM_UNION_TAG = 0x800,
  SYM_DEBUG_WRITTEN = 0x1000,    // debug record written; basic type names count as written
  SYM_PARAM_IN_MEMORY = 0x4000,  // parameter passed in the parameter area
  SYM_STACK_AREA = 0x8000,       // a compiled-stack area; its name is final (no level prefix)
  SYM_DECLARED_ONLY = 0x10000,   // declared but not (yet) defined
  SYM_MAINEXIT = 0x40000,        // _main ends with a jump to the start-up code
  SYM_STRING = 0x80000,          // string literal label
  SYM_ABSOLUTE_AREA = 0x100000,  // a whole memory area reserved at a fixed address
  SYM_UNSET_REPORTED = 0x200000, // "read but never assigned" was reported
  SYM_PLACED = 0x400000,         // placed by the code generator
  SYM_CALLED_INDIRECTLY = 0x800000,
  SYM_ASSIGNED_PLAIN = 0x1000000,  // written by a plain "=" (the use-count marker's mark)
};

// Second flag word (symbol::flags2).
enum : uint32_t {
  SYM2_REG_ALLOCATED = 0x1,      // given a register by the allocation of variables
  SYM2_REG_HELD = 0x2,           // held in a register
  SYM2_IN_REGISTER = 0x4,        // currently lives in its register
  SYM2_FIXED = 0x10,             // fixed in place: absolute, assembly-defined, volatile or
                                 // used from an interrupt level
  SYM2_NOT_WRITTEN = 0x20,       // function not yet written
  SYM2_SOLE_USER_CANDIDATE = 0x40,  // static or extern kept in registers by its only user
  SYM2_ADDRESS_TAKEN = 0x100,    // some pointer may point to it
  SYM2_HAS_RECORDS = 0x200,      // has per-block records of the register allocation
  SYM2_UNDER_INDIRECTION = 0x400,
  SYM2_INLINE = 0x800,           // built-in or inline ("[p i"): never a real call
  SYM2_PROLOGUE_RMW = 0x2000,    // read-modify-written by _main's prologue
  SYM2_REENTRANT = 0x4000,       // parameters and autos live on the software stack
  SYM2_SPACE_PAIRED = 0x8000,    // pointer parameter paired with its whole memory space
  SYM2_IN_MEMORY = 0x10000,      // needs a slot in its function's compiled-stack area
  SYM2_REFERENCED = 0x20000,     // named by code or an initialiser: a library module
                                 // that defines it is loaded
};

// Storage classes, printed with the letters "tpares".
enum : uint8_t {
  SC_TYPE = 0,
  SC_PARAM = 1,
  SC_AUTO = 2,
  SC_REGISTER = 3,
  SC_EXTERN = 4,
  SC_STATIC = 5,
};

// Kind letters of symbols.
enum : char {
  SK_NONE = 0,
  SK_OBJECT = 'F',    // object or function
  SK_TYPE_NAME = 'N', // basic type or typedef
  SK_STRUCT_TAG = 'D',
  SK_ENUM_TAG = '>',
  SK_SCOPE_ALIAS = '=',  // a block's extern declaration: names `alias` in that block
};
