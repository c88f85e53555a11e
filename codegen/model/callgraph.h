// The call graph of the whole program over functions and function-pointer
// variables, with one root for _main and further roots for each interrupt
// level; the per-function context made when a body begins; traversals in
// depth order, call depths, argument edges and the FNCALL lines.
#pragma once
#include <cstdint>

#include "codegen/model/bsr.h"

struct dag_node;
struct iset;
struct ptr_targets;
struct ra_function;
struct symbol;
struct tree_node;
struct vec;
typedef iset regset;

// Flags of a call-graph record.
enum : uint16_t {
  CG_POINTER = 0x2,           // a function-pointer variable
  CG_FUNCTION = 0x4,
  CG_ALLOCATED = 0x20,        // its register allocation is done
  CG_RETURNS_IN_PARAMS = 0x80,  // returns 2 to 4 bytes in its parameter area
};

// Flags of call-graph edges; a walk follows the edges that have every flag
// of its mask, so EDGE_ANY follows all.
enum : uint32_t { EDGE_ANY = 0, EDGE_CALL = 1, EDGE_ARGUMENT = 2 };

// Modes of a traversal: which nodes the action sees, and the order.
enum : uint32_t {
  VISIT_POINTERS = CG_POINTER,
  VISIT_FUNCTIONS = CG_FUNCTION,
  VISIT_ALL = CG_POINTER | CG_FUNCTION,
  VISIT_DESCENDING = 0x10,  // callees before callers
  VISIT_ARGUMENT_EDGES = 0x20,  // argument edges count as calls
};

struct cg_node {
  symbol *sym;
  dag_node *node;
  uint16_t flags;
  uint32_t base;        // offset of its block in the compiled stack of its level
  vec *partners;        // functions it shares argument edges with, in the order made
  vec *called_pointers; // function-pointer variables its body calls through
  bsr_summary bank;
  bool pass_mark;       // summarised in the current refinement pass
  // Levels at which it was written, and had its locals laid out, under its
  // plain name: a function not copied per level is written once.
  uint32_t plain_written, plain_laid_out;
};

// A group of roots: interrupt functions of level 1 or 2, or (level 3) other
// functions that code outside the C program calls.
struct level_group {
  uint32_t level;
  vec *roots;            // symbols, in order of registration
  char *prefix;          // "i%d" with the level mask in force when it was made
  uint32_t stack_start;  // where its blocks begin in the compiled stack
  uint32_t depth;        // its call depth
};

// One per function with a body.
struct func_ctx {
  symbol *function;
  vec *statements;  // the simple statements code selection covers
  regset *regs[2];
  uint32_t levels;  // the level masks under which the body was read
  vec *stored;      // the statements as read (stored_statement) for tree_rebuild_stored
  ra_function *alloc;  // blocks and allocation tables
};

// The level mask being processed: 1 for the main level, 1 << n while
// interrupt-level group n is processed. Tree construction and assembler
// names follow it.
void cg_set_level_mask(uint32_t mask);
uint32_t cg_level_mask();

// The body of f begins (the reader's first statement record of f).
func_ctx *new_func(symbol *f);
// Keeps a statement as read (a node list, owned from now on) for re-reading.
void cg_store_statement(func_ctx *ctx, vec *nodes);
// Set once the pointer graph is final: no function context may be made after.
void cg_set_graph_completed();

// The call-graph record of a function or function-pointer symbol, made on
// first need (aliases share their original's node).
cg_node *cg_record(symbol *s);
symbol *cg_symbol(dag_node *node);
vec *cg_level_groups();
// A root function for the level mask in force (interrupt functions by their level).
void cg_register_level(symbol *f);

// A called function without a body joins the list of such functions (once).
void cg_note_callee(symbol *s);
vec *cg_functions_without_body();
// The call edge caller -> callee; 1 when new, 0 when it existed or the callee
// has no record. An indirect call marks the callee as called through a pointer.
int cg_add_call_edge(symbol *caller, symbol *callee, bool indirect);
// The caller references s: it joins s's caller lists.
void cg_record_caller(symbol *s, symbol *caller);
// The call edges of f's statements.
void cg_collect_calls(symbol *f);
// The code of a uses a virtual register of b: their blocks must not overlap.
void optim_add_call_edge(symbol *a, symbol *b);
// A call whose arguments read other calls' results: each of those callees
// gets an argument edge from the call's callee, since the result waits in
// the inner callee's parameter area while the outer's is filled.
void cg_note_argument_calls(tree_node *call);
// A function whose address `namer` takes other than to call it (in its code,
// or, for main, in an object's initial value).
void cg_note_named_function(symbol *function, symbol *namer);
// Gives each named function that no root reaches an edge from a namer that
// one does: its address is in the code, so it must be there. True when an
// edge was added.
bool cg_keep_named_functions();
// Functions with argument edges, in the order they got their first.
vec *cg_argument_edge_list();
void cg_discard_argument_edges();

// Every node reachable from root over call edges, by depth (ascending
// unless VISIT_DESCENDING); action(ctx, symbol, depth) for the nodes the mode selects.
typedef void (*cg_action)(void *ctx, symbol *s, uint32_t depth);
void cg_traverse(symbol *root, cg_action action, void *ctx, uint32_t mode);
// From _main at level 1, then from every root of each group at its level.
void cg_traverse_all(cg_action action, void *ctx, uint32_t mode);
// True when a reaches b over call edges.
bool cg_reaches(symbol *a, symbol *b);
// A pointer node's used registers: those of everything it may call.
void cg_pointer_regs(symbol *pointer);

// Main-level and interrupt-level call depths of every function reachable
// from a root, and the program's figures.
void cg_call_depths();
uint32_t cg_main_depth();
uint32_t cg_interrupt_depth();

// The FNCALL lines of root's tree at the current level; true when the tree
// held any written function.
bool cg_write_fncalls(symbol *root);

// Where the result of a call lives: the called function's parameter area,
// or for a call through a pointer, an area of each function it may call
// (*indir is the indirection that goes with the set). The sets of calls
// through pointers are filled by cg_fill_result_areas once the pointers'
// targets are known; true when one grew.
ptr_targets *cg_result_area(tree_node *call, uint32_t *indir);
bool cg_fill_result_areas();

// The symbol _main, or null.
symbol *cg_main();
void cg_reset();

// True when the value of a call of `inner`, an argument of a call of
// `outer` at argument offset `offset`, cannot be copied straight into its
// place. Arguments moved to the front of a call are evaluated before any
// other argument is stored, so no earlier argument can be overwritten; but
// the value comes back at the start of the inner callee's parameter area,
// and where that is the outer callee's own (the same function, or two that
// one pointer may call, which share their area) an argument that starts
// inside the value would overwrite bytes of it not yet copied.
bool cg_args_overlap(symbol *inner, symbol *outer, uint32_t offset);
// The pointer-target sets whose functions the linker aligns (an FNALIGN
// line), and the functions of such a set that take part.
bool cg_aligned_set(const ptr_targets *set);
bool cg_aligned_member(const symbol *f);
