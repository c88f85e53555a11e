// Initialisers and the program's global objects: the "[i" records, the
// classing of every global object into const, initialised, absolute or
// persistent, and uninitialised data, the data sizes, and the writing of the
// initialised data after the whole program is compiled.
#pragma once
#include <cstdint>

struct data_totals;
struct lex_stream;
struct symbol;
struct tree_node;

// The "[i" record after its token. The object's init tree then holds its
// values (joined by "," when there are several) for the passes that walk it.
void lex_initialiser(lex_stream *s);
bool lex_has_initialiser(const symbol *s);
// Bytes the initialiser gives the object; with `write` its data is written
// (the caller has chosen the psect).
uint32_t lex_init_size(symbol *s, bool write);
// Calls visit with each value of the object's initialiser, rebuilt; the
// tree is freed after the call.
void lex_visit_initialiser(symbol *s, void (*visit)(void *ctx, tree_node *value), void *ctx);

// After all input: every global object joins one of the optimiser's four
// lists (message 746 for a const object without a value), the lists are
// sorted, and the data sizes are counted.
void lex_class_objects();
void lex_count_data(data_totals *totals);
// Initialised data, const data, the other objects, string literals, shared
// tails and floating constants.
void lex_emit_initialisers();

void initdata_reset();
