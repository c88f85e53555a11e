// Side files: the cross-reference file (uses and definitions of names, for
// the cross-reference lister) and the prototype file.
#pragma once
#include <cstdio>
#include <vector>

struct symbol;

extern FILE *xref_stream;  // open cross-reference file, or null

bool xref_open(const char *path, const char *input_name);
void xref_use(const char *name, int line);
void xref_define(const symbol *s);
void xref_file(const char *name);
void xref_close();

bool proto_open(const char *path, bool report_with_perror);
// The prototype line of a function definition, then the check of the
// definition's parameters against the declared prototype.
void proto_write(symbol *function, const std::vector<symbol *> &params);
void proto_close();
