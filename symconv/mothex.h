// Motorola S-record images into the model's data blocks and entry
// address, and the data blocks back out as S-records.
#pragma once
#include <cstdio>

bool srec_identify(FILE *in);
bool srec_read(FILE *in, const char *name);
bool srec_write(FILE *out, const char *name);
