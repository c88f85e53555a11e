// Preparing functions for the whole-program phases: parameter areas,
// statements re-read and rewritten until code selection can cover them,
// call edges collected; counting the uses of objects; the scan of _main's
// prologue; removing objects that nothing uses.
#pragma once
#include <cstdint>

struct iset;
struct symbol;
struct tree_node;
struct vec;
typedef iset regset;

// Declares the run-time routines that the function's operations will be
// rewritten into, so that the libraries are searched for them: the same
// simplification and splitting the statements get later, on copies.
void want_rewrite_routines(symbol *f);
// Elements of pointer arrays, whose stride is wider than the pointers they
// hold, read and written through three-byte integers.
tree_node *narrow_pointer_elements(tree_node *t);
// Appends the statement to `out`, after the statements that work out first
// what no rule covers in it within `allowed` (null: every register); false
// when the search for its code ran out of candidates.
bool decompose_statement(tree_node *t, vec *out, const regset *allowed = nullptr);
// Marks every object and function the tree names as referenced.
void mark_referenced(tree_node *t);
// Prepares each function of the list; with graph_pass only as far as its
// call edges, otherwise its uses are counted as well.
void prepare_functions(vec *list, bool graph_pass);
// The functions of the list, just prepared by a graph pass, as
// prepare_functions would leave them without it: their statements are what
// it would build again (but where a graph pass returns a value otherwise),
// and their uses are counted.
void prepare_used_functions(vec *list);
// Counts the uses of objects in a statement or initialiser (the current
// function, when there is one, is recorded as a caller of each).
void count_uses(tree_node *t);
// Walks _main's start, moving variables it does not clear to zero off the
// list of uninitialised data.
void main_prologue_scan(symbol *main);
// Marks every object of the list that nothing uses (message 1090 when asked
// for); with `drop` it leaves the list.
void drop_never_used(vec *list, bool drop);
// Pointer nodes called indirectly pass that mark on to their targets.
void mark_indirect_targets();
// Every function on d's caller lists, and transitively theirs, joins the list.
void add_transitive_callers(symbol *d, vec *working);
