// lumet: copies a text file with a line number in front of every line and
// tabs expanded to blanks.
#pragma once
#include <cstdio>

struct lumet_options {
  int tab_width;       // 1 to 64
  const char *input;   // null: standard input
  const char *output;  // null: standard output
};

// Reads the command line into opt. Returns -1 when the program must stop
// with that status (the message has been given), 0 to go on, 2 when the
// banner was asked for and printed.
int lumet_read_options(int argc, char **argv, lumet_options *opt);

// Writes the numbered listing of in to out. False when reading in failed
// (errno tells why); a write failure shows in ferror(out).
bool lumet_list(FILE *in, FILE *out, int tab_width);
