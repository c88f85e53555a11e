// The hex merger's command line: input files with their ranges and offsets,
// and the options that ask for edits, checksums, output and log.
#pragma once
#include <cstdint>

#include "hexmerge/checksum.h"
#include "hexmerge/edits.h"
#include "hexmerge/hexfile.h"
#include "hexmerge/image.h"

struct tessik_run {
  hex_image image;
  hex_input inputs[MAX_INPUTS];
  int input_count;
  mask_spec masks[MAX_MASKS];
  int mask_count;
  fill_spec fills[MAX_FILLS];
  int fill_count;
  find_spec finds[MAX_FINDS];
  int find_count;
  serial_spec serials[MAX_SERIALS];
  int serial_count;
  string_spec strings[MAX_STRINGS];
  int string_count;
  ck_spec checksums[MAX_CHECKSUMS];
  int checksum_count;
  hex_output output;
  const char *output_name;  // null: standard output
  bool no_output;           // "-O" alone
  const char *log_name;
  bool size;
  uint32_t unit;            // addressing unit, 1 to 4
};

void tessik_init(tessik_run *run);
void tessik_free(tessik_run *run);

enum { TESSIK_GO_ON = -1 };
// Reads the whole command line into run: the start-up pass (addressing,
// banner, help) and then every option and input in order. Returns
// TESSIK_GO_ON, or the exit status when the program has done its work.
int tessik_read_options(tessik_run *run, int argc, char **argv);

// Number helpers shared by the option readers.
// Hexadecimal digits at *p: their count (0: none), the value in *out, *p
// moved past them; more than 16 digits give -1.
int hex_scan(const char **p, uint64_t *out);
// The first occurrence of a letter in either case, or null.
const char *find_letter(const char *text, char letter);
