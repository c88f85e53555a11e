// Writes the assembled module as an object file, and the listing.
//
// Records, in this order: IDENT (little-endian maps, machine "PIC18",
// version 3.5); per psect PSECT, XPSECT and, with a limit, PSECTLIM; the code
// and data as TEXT records, each followed by the RELOC record of its fields;
// SYM; SIGNAT; FNCONF; FNINFO; FNGROUP; ABSRANGE; START; END.
#pragma once
#include <cstdio>

#include "assembler/asm.h"

// False after a message.
bool asm_write_object(asm_state *st, FILE *fp, const char *name);
// One line per source line: offset, bytes, line number, text.
bool asm_write_listing(asm_state *st, FILE *fp, const char *version);
