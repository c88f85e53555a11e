// Register allocation of a function's variables: the statement table, basic
// blocks with their predecessors and successors, per-block allocation
// records, liveness and constant propagation, register webs and their
// priorities; fitting statements into the free registers; the block-by-block
// output with the loads and stores the allocation needs.
#pragma once
#include <cstdint>

#include "codegen/model/bsr.h"

struct func_ctx;
struct iset;
struct symbol;
struct tree_node;
struct vec;
typedef iset regset;

// Flags of a block's allocation record.
enum : uint8_t {
  RA_LOAD = 0x1,      // load the variable at the block's start
  RA_STORE = 0x4,     // store it at the block's end
  RA_WHOLE = 0x8,     // held across the whole block
  RA_DEBUG_DUE = 0x20,
};

// One candidate variable in one block.
struct ra_record {
  symbol *sym;
  uint32_t reg;       // register chosen here; 0 = memory
  int32_t from;       // statement index from which the register holds it
  int32_t to;         // statement index up to which it is needed
  uint8_t flags;
  // Facts of the block's statements.
  uint16_t refs;
  int32_t first_ref;
  int32_t first_def;
  int32_t last_def;
  uint8_t use_flags;  // VAR_ bits below
  bool live_in;       // read before any assignment here
  bool live_out;      // needed after the block
  bool const_in;      // holds a known constant at the block's start
  int32_t const_value;
};

// Facts of a variable's references (ra_var::use_flags, ra_record::use_flags).
enum : uint8_t {
  VAR_FIRST_PLAIN_ASSIGN = 0x01,
  VAR_READ = 0x10,
  VAR_DEFINED = 0x20,
  VAR_WHOLE_STORE = 0x80,
};

// A candidate of the function.
struct ra_var {
  symbol *sym;
  uint8_t sclass;
  int32_t first_ref, last_ref;
  int32_t first_def, last_def;
  uint32_t refs;
  uint8_t use_flags;
  bool assigned_const;  // last assigned a constant
  int32_t const_value;
};

struct ra_block {
  vec *statements;    // trees of the statement table, in order
  int32_t first;      // index of its first statement in the table
  vec *preds;         // block indices (as pointers), ascending
  vec *succs;
  regset *needed;     // registers its statements need
  bsr_block bank;
  ra_record *records; // one per candidate, by record number
  bool removed;
};

// A register web: a stretch of blocks over which one variable may live in one register.
struct ra_web {
  uint32_t var;       // record number of the variable
  vec *blocks;        // covered block indices, ascending
  uint32_t first_block, last_block;
  regset *available;  // registers free throughout it
  uint32_t refs;      // reference sum
  uint32_t priority;  // weighted by the variable's small size
  uint32_t cost;
  uint32_t reg;
  bool stale;
};

struct ra_function {
  symbol *function;
  vec *table;    // statement trees, flattened
  vec *vars;     // ra_var*, by record number
  vec *blocks;   // ra_block*
  vec *webs;     // ra_web*
  int end_line;
};

// The allocation of one function (phase 4, each function once).
void allocate_function(symbol *f);
// Builds the statement table and the blocks of a function with their
// predecessors, records and liveness (the register choices are left to
// allocate_function).
void ra_build(func_ctx *ctx);
// Matches statement k within the free registers, releasing register
// variables the selector found in the way, else putting in its place the
// pieces it is worked out in (the first then matched); false (message 712)
// when nothing fits.
bool fit_statement(func_ctx *ctx, uint32_t k);
// Output modes of the block-by-block code.
enum { RA_OUTPUT = 0, RA_TRACK_SILENT = 1, RA_TRACK = 2 };
void write_function_code(func_ctx *ctx, int mode);

// Register-held variables: load into and store from the register the symbol
// lives in (with "-S" comments); a register parameter of the current
// function occupying one of `regs` moves to memory (true when one did).
void sym_load_reg(symbol *s);
void sym_store_reg(symbol *s);
bool sym_release_reg_params(const regset *regs);

// Program-wide marks of the allocation.
bool ra_saw_reentrant_code();
bool ra_saw_nonreentrant_code();
void ra_set_tracking_comments(bool on);
bool ra_tracking_comments();
void ra_reset();
// Messages of the allocation are not given again when it runs again.
void ra_set_quiet(bool on);
// The functions (a new vector, the caller's) whose statements the
// allocation had to work out in pieces with temporaries of their own: the
// frames placed before are too small for them.
vec *ra_take_grown();
