// The extended OMF-51 module: OMF-51 with records for C types, typed
// debug items, source file names and tool information. Written from the
// debug scope tree (or, without one, as OMF-51 with long names), read
// into the model and dumped record by record.
#pragma once
#include <cstdio>

bool eomf51_identify(FILE *in);
bool eomf51_read(FILE *in, const char *name);
bool eomf51_write(FILE *out, const char *name);
bool eomf51_dump(FILE *in);
