// The linker's symbol file: segments, global and local symbols, source
// files and line records; the object files it names bring in their debug
// descriptions. Also written back from the model.
#pragma once
#include <cstdio>

bool symfile_identify(FILE *in);
bool symfile_read(FILE *in, const char *name);
bool symfile_write(FILE *out, const char *name);
