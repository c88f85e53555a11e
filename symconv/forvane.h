// forvane's driver: the format table, the command line, reading and
// identifying the inputs, completing the model and writing each requested
// output format.
#pragma once
#include <cstdio>

struct format_desc {
  bool (*identify)(FILE *in);
  bool (*read)(FILE *in, const char *name);
  bool (*write)(FILE *out, const char *name);
  bool (*dump)(FILE *in);
  const char *name;  // display name
  const char *key;
  const char *extension;
  bool binary;
};

enum { FORMAT_COUNT = 15 };
// In identification order; a format whose module is not part of this
// program yet has no operations.
extern const format_desc format_table[FORMAT_COUNT];

// The 1-based row of a key or of a unique prefix of one; 0 when none.
int format_lookup(const char *key);
bool format_available(int format);

// One run on the argument words (argv[0] the program); the exit status.
int forvane_run(int argc, char **argv);
// Completes the model once every input is read.
void forvane_complete();
// Releases the model, the debug tree and the settings.
void forvane_reset();
