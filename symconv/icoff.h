// The Introl flavour of COFF: segments with their data, the linker symbols
// grouped by source file and the line records, straight from the model.
#pragma once
#include <cstdio>

bool icoff_identify(FILE *in);
bool icoff_read(FILE *in, const char *name);
bool icoff_write(FILE *out, const char *name);
bool icoff_dump(FILE *in);
