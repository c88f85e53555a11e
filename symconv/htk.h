// Holtek's debugger files: the DBG debug file of checksummed records
// (file names, symbols, line numbers, C scopes), written from the model
// and the debug scope tree, read back and dumped; and the TSK program
// image, read into data blocks and dumped.
#pragma once
#include <cstdio>

bool htk_identify(FILE *in);
bool htk_read(FILE *in, const char *name);
bool htk_write(FILE *out, const char *name);
bool htk_dump(FILE *in);

bool tsk_identify(FILE *in);
bool tsk_read(FILE *in, const char *name);
bool tsk_dump(FILE *in);
