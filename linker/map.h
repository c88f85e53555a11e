// The map file: banner and command line, object version, call graph,
// per-module psect lines, class totals, segments, unused ranges and the
// symbol table.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

#include "linker/link.h"

// Opens the map (standard output, reopened on the named file); false after
// message 378.
bool map_open();
// Banner and command-line echo.
void map_banner();
// "Object code version is ..." and "Machine type is ..." of the first IDENT.
void map_ident(unsigned major, unsigned minor, const char *machine);
// The name of a library before its modules' lines in the third pass.
void map_library(const char *name);
// One module's psect lines, at its END in the third pass.
void map_module_lines(const module_record *m, const std::vector<psect_info *> &psects);
// The psect table heading, after placement.
void map_psect_heading();
// After the third pass: commons, class totals, segments, unused ranges,
// symbol table.
void map_finish();
// The map's stream while it is written, else null.
FILE *map_stream();
