// Binding call arguments to the called function's parameters, the test
// whether two operands may involve a common object, the text of a type, and
// the signature word of a function.
#pragma once
#include <cstdint>

struct ctype;
struct symbol;
struct tree_node;

// Binds the argument tree `args` of `call` into the list of its CALLARGS
// node; side parts of the arguments go to the call's own argument list.
void tree_bind_args(tree_node *call, tree_node *callargs, tree_node *args);
// Binds one value; null when the callee has no parameter for it.
tree_node *tree_bind_one(tree_node *callargs, symbol *callee, tree_node *value);
bool tree_may_alias(const tree_node *node);
// The text of a type in a buffer that the next call overwrites.
const char *type_text(ctype *type);
uint16_t sym_signature(symbol *s);
