// The PIC COFF debugger file: written from the model and the debug scope
// tree, read back into the model, identified and dumped.
#pragma once
#include <cstdio>

bool mcoff_identify(FILE *in);
bool mcoff_read(FILE *in, const char *name);
bool mcoff_write(FILE *out, const char *name);
bool mcoff_dump(FILE *in);
