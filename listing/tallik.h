// tallik: the cross-reference listing, built from the files in which the
// parser records every use and definition of a name.
#pragma once
#include <cstdio>

struct xref_entry;

enum {
  XREF_KIND_FILE = 0,
  XREF_KIND_SYMBOL = 1,
  XREF_STOPPED = 4,      // beside the kind: a stop-list word, never listed
  XREF_DEFINITION = 8,   // reference flag
};

struct xref_ref {
  int line;
  xref_entry *file;
  unsigned flags;
};

struct xref_entry {
  char *text;
  xref_entry *next;   // bucket chain
  unsigned char kind; // XREF_KIND_* with XREF_STOPPED
  xref_ref *refs;
  int ref_count;
  int ref_capacity;
};

struct xref_settings {
  const char *heading;
  int page_length;
  int page_width;
};

struct xref_table;

xref_table *xref_new();
void xref_free(xref_table *t);

// Source files whose name begins with the prefix contribute nothing.
void xref_skip_files(xref_table *t, const char *prefix);
// Symbols that match the pattern are not listed.
void xref_exclude(xref_table *t, const char *pattern);
// Enters every white-space separated word of the file as a stop-listed
// symbol; false when the file cannot be opened.
bool xref_read_stoplist(xref_table *t, const char *path);
// Reads one cross-reference file; file_name names it in messages.
void xref_read(xref_table *t, FILE *in, const char *file_name);

// Writes the paginated listing.
void xref_list(xref_table *t, const xref_settings *s, FILE *out);

// A name matches a pattern when the pattern is a prefix of it, a digit in
// the pattern standing for any digit; an empty pattern matches nothing.
bool xref_pattern_match(const char *pattern, const char *name);
