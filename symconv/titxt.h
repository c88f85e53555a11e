// The TI text image: written from the model's data blocks, identified and
// dumped; reading one adds nothing to the model.
#pragma once
#include <cstdio>

bool titxt_identify(FILE *in);
bool titxt_read(FILE *in, const char *name);
bool titxt_write(FILE *out, const char *name);
bool titxt_dump(FILE *in);
