// The P&E map file (symbols and source lines by address, read and
// written) and the UBROF object file (identified and dumped only).
#pragma once
#include <cstdio>

bool pe_identify(FILE *in);
bool pe_read(FILE *in, const char *name);
bool pe_write(FILE *out, const char *name);

bool ubrof_identify(FILE *in);
bool ubrof_read(FILE *in, const char *name);
bool ubrof_write(FILE *out, const char *name);
bool ubrof_dump(FILE *in);
