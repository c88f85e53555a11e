// The symbol table of the program model: one record per name (objects,
// functions, parameters, autos, tags, typedefs, basic type names,
// compiler-made areas), scopes, the derived assembler names, parameter
// layout and the program's object lists.
#pragma once
#include <cstdint>

#include "codegen/model/symflags.h"

struct cg_node;
struct ctype;
struct func_ctx;
struct hash_table;
struct iset;
struct ptr_targets;
struct tree_node;
struct vec;
typedef iset regset;

enum { SYM_LEVEL_SLOTS = 8 };

// The lists global objects are classed into after all input.
enum : uint8_t { OBJ_NONE = 0, OBJ_CONST, OBJ_INITIALISED, OBJ_ABSOLUTE_OR_PERSISTENT, OBJ_UNINITIALISED };  // interrupt levels whose derived names are cached

struct symbol {
  char *name;          // assembler name (may be replaced by a derived name)
  char *key;           // the name it is hashed under
  char *base_name;     // builds derived names; defaults to the assembler name
  char *source_name;   // as written in the source
  char *label;         // a static's own label name
  const char *file;    // where declared (shared string)
  int line;
  symbol *hash_next;
  ctype *type;
  char kind;           // SK_ letters
  uint16_t level;      // scope level; 0 global
  uint8_t sclass;      // SC_ classes
  uint32_t flags;      // SYM_ bits
  uint32_t flags2;     // SYM2_ bits
  uint16_t unique;
  int16_t param_reg;   // digits of the class word: parameter register, or a
                       // function's parameter-register figure
  uint16_t offset;     // member, parameter or auto offset; a global's sequence number
  uint8_t bf_width;
  uint8_t bf_offset;
  bool bitfield;
  uint64_t address;    // absolute address; an enumerator's value
  regset *used_regs;
  uint32_t reg;        // register the symbol lives in (0: memory)
  uint32_t features;   // printf feature word
  symbol *owner;       // function of a parameter or auto; struct tag of a member
  vec *params;         // function: parameter symbols in order
  vec *autos;          // function: automatic variables
  vec *temps;          // function: compiler-made temporaries
  vec *held;           // function: temporaries that hold called pointers, kept from one rebuild to the next
  uint32_t held_made;  // function: how many of them its statements took since they were last rebuilt
  uint32_t statement;  // a compiler-made temporary: the statement (from 1) whose rewriting made it
  vec *reg_params;     // function: parameters that arrive in registers
  vec *fake_params;    // parameters made from the type for calls before (or
                       // without) the declared ones
  symbol *param_area;  // "?" and the level name
  symbol *auto_area;   // "??" and the level name
  symbol *alias;       // the tag this tag was found identical to; the object a scope alias names
  symbol *return_rep;  // "sp_%s": stands for the pointers a function returns
  ptr_targets *targets;
  func_ctx *ctx;
  tree_node *init;     // initialiser expression
  uint8_t object_list; // OBJ_ list of a global object, after all input
  uint32_t depth_main, depth_int;
  uint32_t levels_called;  // interrupt levels it is called from
  uint32_t levels_entry;   // level mask in force when its body began
  uint16_t use_count;
  uint8_t small_size;      // from emit_small_size
  uint32_t arg_offset;     // running offset while a call's arguments are bound
  uint32_t arg_max;        // largest argument offset any call reached
  uint32_t arg_max2;       // the same for calls through pointers
  uint32_t params_size;    // bytes of parameters in memory
  // Whole-program phases: call graph, compiled stack, register allocation.
  cg_node *cg;             // call-graph record of a function or function pointer
  vec *direct_callers;     // functions calling it (for a variable: referencing it)
  vec *callers;            // direct callers and, for a variable, the functions reaching them
  uint32_t autos_size;     // bytes of its autos in its compiled-stack block
  uint32_t temps_size;     // highest temporary offset its code used
  uint32_t template_extra; // scratch bytes template expansion needed
  uint32_t save_bytes;     // bytes entry, exit and selection code reserve in the block
  uint32_t levels_written; // interrupt levels it has been written at
  uint32_t levels_laid_out;
  char *asm_names[SYM_LEVEL_SLOTS];    // cached prefixed names by level
  char *level_names[SYM_LEVEL_SLOTS];
};

// Start-up of the symbol model: an empty table and the basic types. Calling
// it again starts a fresh program (the records of the old one stay allocated).
void sym_init_types();

// The register a variable lives in at this point of the code, 0 when it is
// in memory (never given one, or released, or stored back after a block).
inline uint32_t sym_held_reg(const symbol *s) { return s && (s->flags2 & SYM2_IN_REGISTER) ? s->reg : 0; }
uint32_t sym_hash_name(const char *name);  // h = h*2 + byte, bytes unsigned
symbol *sym_lookup(const char *name);
symbol *sym_find(const char *name);
symbol *sym_new();
// A fresh symbol's assembler name, key and base name.
void sym_set_names(symbol *s, const char *name);
symbol *sym_new_fake();
void sym_free(symbol *s);
// Links a symbol into the table at its scope level.
void sym_enter(symbol *s);
// Enters a declared symbol, or merges it into the one of the same name and
// level; answers the symbol that stays.
symbol *sym_declare(symbol *s);
// The static object of that name in the file being read (level 1), or null.
symbol *sym_find_file_static(const char *name);
// A block's extern declaration of a name an inner record hides: from here
// to the end of the block, the name means the outer object or function.
void sym_enter_scope_alias(symbol *outer);
void sym_scope_open();
void sym_scope_close();
uint16_t sym_scope_level();

// Current position of the reader (file names are interned, never freed).
const char *sym_intern_file(const char *file);
void sym_set_position(const char *file, int line);
const char *sym_current_file();
int sym_current_line();
int *sym_current_line_ptr();
// A message about an object, at its definition; one about the program as
// a whole (its RAM too small for the compiled stack), with no position.
// Each is given once, however many placement passes meet it.
void sym_report_at(symbol *s, unsigned number, ...);
void sym_report_program(unsigned number, ...);

// The function whose body is being read.
symbol *sym_current_function();
void sym_set_current_function(symbol *f);

// Interrupt levels: the mask of the level being compiled (1: main level).
void sym_set_compile_levels(uint32_t mask);
uint32_t sym_compile_levels();

// Names given with -B: assembly-defined names (string keys).
hash_table *sym_asm_defined_names();
bool sym_is_asm_defined(const char *name);
// A function that code compiled apart from this program calls, or that this
// program calls there: one an object defines, or any external one of a
// library build.
bool sym_called_from_outside(const symbol *f);

// The next global sequence number (kept in the storage offset of objects).
uint16_t sym_next_sequence();

// The program's global objects in declaration order.
vec *sym_global_objects();
// The chain of one bucket of the symbol table, innermost scope first.
enum { SYM_TABLE_BUCKETS = 101 };
symbol *sym_bucket(uint32_t index);

symbol *sym_new_temp(tree_node *node);
// The temporary that holds the pointer of a call through an expression's
// value: the same symbol each time the function's statements are rebuilt.
symbol *sym_held_temp(tree_node *pointer);
// The function's statements are rebuilt: its temporaries are numbered anew.
void sym_restart_temps(symbol *f);
bool sym_mark_reentrant(symbol *f);
symbol *sym_new_area(const char *name, uint32_t quals, uint32_t length, uint64_t address);
// The function symbol standing for a fixed call address (one per address).
symbol *sym_absolute_function(uint64_t address, ctype *type);
symbol *sym_string_label(long number);
// The "sp_%s" representative of a function or function pointer.
symbol *sym_return_rep(symbol *s);

const char *sym_level_prefix(symbol *s);
const char *sym_level_name(symbol *s);
const char *sym_asm_name(symbol *s);
symbol *sym_param_area(symbol *f);
symbol *sym_auto_area(symbol *f);

// Gives a parameter or auto of function f its derived name.
void sym_name_local(symbol *f, symbol *v);
// Renames statics whose names clash across inputs (and the first of them
// once an extern of the name appears).
void sym_check_static_clash(symbol *s);

// Parameters of a function, or of the function a pointer calls (fake
// parameters "%s$%u" made from the type when it has no declared ones).
vec *sym_params(symbol *callee);
// Lays out the parameters; answers the bytes held in memory.
uint32_t sym_layout_params(symbol *f);
