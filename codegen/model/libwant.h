// Names that library modules must define: wanted by options, by run-time
// routines that code calls, and by assembler text.
#pragma once

void lib_want_name(const char *name);
bool lib_is_wanted(const char *name);
