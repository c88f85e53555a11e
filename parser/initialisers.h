// Initialisers: the "[i" record of an object defined with "=", and the
// initialisation of automatic objects (assignments, hidden static copies).
#pragma once

struct symbol;

// The current token follows "=". Writes the object's initialiser record;
// an open array dimension takes its size from the elements. The object's
// own record is written first, once its dimension is known.
void init_object(symbol *s, int stream);
// Automatic objects: an assignment statement, or a copy from a hidden
// static object for a braced or string initialiser of an aggregate.
void init_auto(symbol *s);
// Skips an initialiser that cannot be used (after an error).
void init_skip();
