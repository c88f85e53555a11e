// Expression tree nodes: the record, allocation through a free list,
// freeing and copying, the leaf constructors and the small queries all tree
// code uses.
#pragma once
#include <cstdint>

#include "codegen/model/ops.h"

struct ctype;
struct iset;
struct ptr_targets;
struct symbol;
struct vec;
typedef iset regset;

// Node flag bits.
enum : uint32_t {
  TF_LEFT_FIRST = 0x1,        // code selection: evaluate the left operand first
  TF_PLAIN_COMMENT = 0x8,     // code selection: a plain comment line
  TF_MADE_CONST = 0x40,       // compiler-made constant: no constant-condition warning
  TF_RIGHT_NOT_FIRST = 0x80,
  TF_LEFT_NOT_FIRST = 0x100,
  TF_MAY_SHARE = 0x200,       // the operands may share an object
  TF_NEVER_SHARE = 0x400,     // the operands never share an object
  TF_MADE_CONVERSION = 0x800, // a conversion the rewriting made, not the program
  TF_LIVE = 0x2000,
  TF_EFFECTS = 0x4000,        // touches a volatile object or has a side effect
};

// The register sets of a node, each made when code selection first writes
// it (null until then reads as empty).
enum { RS_USED = 0, RS_VALUE, RS_BUSY, RS_PINNED, RS_REQUIRED, RS_COUNT };

// Every function's trees stay alive from reading to output, so the record is
// laid out by field size, without holes, and register numbers (machine
// registers, classes and temporaries, all below 65536) take half-words.
struct tree_node {
  ctype *type;
  tree_node *left;
  tree_node *right;
  symbol *sym;
  double fvalue;
  ptr_targets *targets;
  symbol *callee;
  vec *args;                 // owned, with its trees
  symbol *member;            // BITFIELD member
  tree_node *partner;        // the other alternative of a ":" node
  const char *file;
  char *comment;             // owned
  char *text;                // [; text, owned
  regset *sets[RS_COUNT];
  uint32_t op;
  uint32_t flags;            // TF_ bits
  int32_t value;             // CONST value; REG register number
  uint32_t indir;            // 0 after taking an address, 1 a plain object
  uint32_t call_site;        // function number << 16 | argument offset
  int32_t spare;             // code emission: the node's label number
  int line;
  uint32_t own_reg;
  uint16_t height;
  int16_t switch_value;      // carried by [\ nodes
  // Code selection: per level (at most 8) the pattern and its registers.
  uint16_t goal_matched;
  int16_t patterns[8];
  uint16_t xreg[8];
  uint16_t greg[8];
  uint16_t yreg[8];
  uint8_t count;             // patterns chosen by code selection
};

// Set by every node allocation and release and by every rewrite; the
// rewriting loops clear and test it.
extern bool tree_changed;

tree_node *tree_node_new();
void tree_node_free(tree_node *n);
void tree_free(tree_node *t);
void tree_release_all();
tree_node *tree_copy_node(const tree_node *n);
tree_node *tree_copy(const tree_node *t);
// A node of an operator with its operands and type, its height computed.
tree_node *tree_make(uint32_t op, tree_node *left, tree_node *right, ctype *type);
void tree_set_height(tree_node *t);

tree_node *tree_const(int32_t n);
tree_node *tree_zero_like(tree_node *t);
tree_node *tree_type_node(ctype *type);
tree_node *tree_ident(symbol *s);
tree_node *tree_reg_ident(symbol *s, uint32_t reg);

uint32_t tree_size(const tree_node *t);
bool tree_is_pointer(const tree_node *t);
bool tree_is_struct(const tree_node *t);
uint32_t tree_pointee_size(const tree_node *t);
uint8_t tree_arith(const tree_node *t);
uint32_t tree_value_mask(const tree_node *t);
uint32_t type_value_mask(ctype *type);
uint32_t tree_bitfield_mask(const tree_node *t, bool shifted);
bool tree_is_constant(const tree_node *t);
bool tree_is_zero(const tree_node *t);
bool tree_has_side_effect(const tree_node *t);
bool tree_is_volatile(const tree_node *t);  // an ID or *U of a volatile object
bool tree_uses_symbol(const tree_node *t, const symbol *s);
bool tree_equal(const tree_node *a, const tree_node *b);
typedef bool (*tree_find_fn)(tree_node *node, void *ctx);
tree_node *tree_find(tree_node *t, void *ctx, tree_find_fn fn);
uint32_t tree_bit_number(uint32_t c, const tree_node *t);
bool is_single_bit(uint32_t v);
bool tree_fits_type(const tree_node *t, uint32_t size);
tree_node *tree_narrow_source(tree_node *t);
bool const_fits(const tree_node *c, const tree_node *t);
bool const_in_range(const tree_node *conv, const tree_node *c, uint32_t op);
void tree_set_position(const tree_node *t);
void tree_print_text(const tree_node *t);
// Gives the integer constant c the type of t (message 751 when it does not fit).
void tree_convert_const(const tree_node *t, tree_node *c);
// The same for the result of folding, which is silent: rewritten sums
// (x - 1 as x + -1, reassociated offsets) wrap on purpose, and the source's
// own constant expressions were checked by the parser.
void tree_fit_folded_const(const tree_node *t, tree_node *c);
// The same two with the type itself.
void tree_convert_const_to(ctype *type, tree_node *c);
void tree_fit_folded_const_to(ctype *type, tree_node *c);
