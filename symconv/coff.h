// Classic COFF for the processors of its target table: written from the
// model and the debug scope tree, read back into the model, identified
// and dumped.
#pragma once
#include <cstdio>

bool coff_identify(FILE *in);
bool coff_read(FILE *in, const char *name);
bool coff_write(FILE *out, const char *name);
bool coff_dump(FILE *in);
// Forgets the target an input chose.
void coff_reset();
