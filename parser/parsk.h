// The parser program: options, files, the run and the cleanup.
#pragma once
#include <cstdint>
#include <cstdio>

struct parsk_options {
  bool shroud;            // --shroud: no names or line numbers
  const char *fipath;     // --fipath=: per-function information files
  bool bit_keyword;       // -B
  bool short_long;        // -J
  bool long_long;         // -O
  bool unsigned_char;     // -U
  bool no_tail_merge;     // -V
  bool feature_records;   // -Fp
  bool far_persistent;    // -F<other>
  bool main_exit;         // -M
  bool auto_assign;       // -R<other>
  bool builtins;          // -RI
  bool listing;           // -L
  bool source_comments;   // -S
  bool strict;            // -strict
  bool proto_no_oldstyle; // -P (upper case)
  bool copy_assign;       // -I=
  int bitfield_mode;      // count of -Y
  int echo_level;         // -E<digit>
  int ident_limit;        // -N
  int warn_level;         // -W
};

extern parsk_options popt;

// The whole program: returns the exit status.
int parsk_main(int argc, char **argv);
// Closes and removes what the run opened (message module exit routine).
void prog_cleanup(int status);
