// The generic tree walker, reading prefix expressions of the intermediate
// code (with back-references into the previous tree), rebuilding trees from
// node lists, and reading assembler and comment lines.
#pragma once
#include <cstdint>

struct lex_stream;
struct symbol;
struct tree_node;
struct vec;

// The walk orders: three bits per step from the lowest, 4 the node itself,
// 2 the right side (arguments, then the right operand), 1 the left operand.
enum : uint32_t {
  WALK_POST_RIGHT_FIRST = 266,  // right, left, node
  WALK_PRE_RIGHT_FIRST = 84,    // node, right, left
  WALK_RIGHT_NODE_LEFT = 98,
  WALK_LEFT_NODE_RIGHT = 161,
  WALK_POST = 273,              // left, right, node
  WALK_PRE = 140,               // node, left, right
};

// The callback answers the node to keep (itself or a replacement), or null
// to keep the node and end its walk. Flag a: below a conditionally evaluated
// operand; b: below an operand that is not a plain value; c: not the root.
typedef tree_node *(*walk_fn)(void *ctx, tree_node *node, int a, int b, int c);
tree_node *tree_walk(uint32_t order, void *ctx, tree_node *node, walk_fn fn, int a, int b, int c);

// The deepest expression the readers follow.
enum { READ_NESTING_LIMIT = 1000 };
tree_node *tree_read(lex_stream *s);
// tree_read when the expression's first token was read already.
tree_node *tree_read_from(lex_stream *s, const char *first);
// One token of a prefix expression as a node (operators without operands).
tree_node *lex_expr_token(lex_stream *s, const char *token);
tree_node *tree_rebuild(vec *nodes);
tree_node *tree_rebuild_next(vec *nodes);

// A function's statement as read, kept until its last rebuild: operators and
// identifiers, most of its nodes, as what rebuilding reads of them; other
// leaves as their nodes.
struct stored_node {
  const char *file;
  char *comment;       // owned; a leaf keeps its own
  union {
    symbol *sym;       // an identifier's symbol
    tree_node *leaf;   // owned: a leaf other than an identifier
  };
  int line;
  uint16_t op;
  int16_t switch_value;
};
// The leaves kept as their nodes.
bool tree_stored_as_node(uint32_t op);
struct stored_statement {
  uint32_t count;
  stored_node *nodes;
};
// Takes the node list (and its nodes) over.
stored_statement *tree_store(vec *nodes);
void tree_stored_free(stored_statement *s);
// The tree, as tree_rebuild makes it of the node list that was stored.
tree_node *tree_rebuild_stored(const stored_statement *s);
// An assembler line as a [; node, or null for a comment line.
tree_node *tree_asm_line(lex_stream *s);
tree_node *tree_refers_to(tree_node *t, symbol *s);
tree_node *tree_find_call(tree_node *t);

// The comment text gathered for the next statement (owned here).
char *tree_pending_comment();
void tree_set_pending_comment(char *text);
// Takes the pending comment text away (the caller owns it).
char *tree_take_pending_comment();
