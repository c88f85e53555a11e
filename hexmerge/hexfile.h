// Intel HEX as the hex merger reads and writes it: record types 00, 01, 04.
#pragma once
#include <cstdint>
#include <cstdio>

#include "hexmerge/image.h"

struct hex_input {
  const char *name;      // file name
  const char *legend;    // argument text, named in the log
  FILE *file;
  unsigned records;      // records met so far
  uint32_t range_start;  // input addresses kept
  uint32_t range_end;
  uint32_t offset;       // added to every address kept
  bool forced;
};

enum hex_format { INHX8M, INHX32, INHX032 };
enum { MAX_BREAKS = 10, MAX_RECORD_LENGTH = 128 };

struct hex_output {
  int format;
  int record_length;  // 1 to 128
  uint32_t breaks[MAX_BREAKS];
  int break_count;
};

// Reads the input's records into the image as input number `number` (0 to
// 4) and closes the file.
void hex_read_input(hex_image *img, hex_input *in, int number);

// Writes the image; a null stream only counts. Returns the number of data
// bytes written.
unsigned long hex_write(hex_image *img, const hex_output *out, FILE *f);

// Writes the image to the named file through a temporary in the same
// folder, so an input of the same name survives a failed write. Returns
// false (errno set) when the file could not be written.
bool hex_write_file(hex_image *img, const hex_output *out, const char *path);
