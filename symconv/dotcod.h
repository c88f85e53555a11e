// The ".cod" debugger file of 512-byte blocks: written from the model and
// the debug scope tree, identified and dumped; it is not read.
#pragma once
#include <cstdio>

bool cod_identify(FILE *in);
bool cod_read(FILE *in, const char *name);
bool cod_write(FILE *out, const char *name);
bool cod_dump(FILE *in);
