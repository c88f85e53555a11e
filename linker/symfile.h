// The symbol file (full, class-qualified, space-qualified and short forms)
// and the symbol entries of the output object.
#pragma once
#include <cstdint>

#include "linker/link.h"

// Opens the symbol file when one was asked for; false after message 378.
bool symfile_open();
void symfile_close();
// Removes the symbol file (a failed link leaves none behind).
void symfile_remove();
// One symbol: its symbol file line and its SYM or XSYM entry.
void link_sym_write(const char *name, uint32_t value, uint32_t flags, link_symbol *psect);
// After the globals: the segment lines and "%locals".
void symfile_segments();
