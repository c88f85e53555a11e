// Edits of the merged image: opcode find / replace / delete, serial
// numbers, strings and fill.
#pragma once
#include <cstdint>
#include <vector>

#include "hexmerge/image.h"

enum { MAX_FILLS = 6, MAX_FINDS = 3, MAX_SERIALS = 4, MAX_STRINGS = 4, MAX_CODE_BYTES = 8 };

struct fill_spec {
  uint32_t start, end;
  uint8_t code[MAX_CODE_BYTES];
  int length;
  bool data_only;  // only records that hold data
};

struct find_match {
  uint32_t address;
  uint64_t value;
  uint64_t new_value;
};

struct find_spec {
  int length;  // code bytes, 1 to 8
  uint64_t code, mask;
  uint64_t replace, replace_mask;  // replace mask 0: nothing replaced
  bool del;
  bool warn;
  char *title;  // right-aligned in 14 characters
  uint32_t start, end, align;
  std::vector<find_match> matches;
};

struct serial_spec {
  uint32_t address;
  uint64_t value;
  int bytes;
  uint64_t increment;  // two's complement when negative
  uint32_t interval;   // the same
  long repetitions;
  bool forced;
};

struct string_spec {
  uint32_t address;
  const char *text;
  bool pack;
  uint64_t trail;
  int trail_bytes;
  bool forced;
};

void edit_find(hex_image *img, find_spec *f);
void edit_serial(hex_image *img, const serial_spec *s);
void edit_string(hex_image *img, const string_spec *s);
void edit_fill(hex_image *img, const fill_spec *f, int record_length);

// Stores the low `count` bytes of value, most significant first, from the
// address upward; returns the address after them.
uint32_t store_msb_first(hex_image *img, uint64_t value, int count, uint32_t address, uint8_t attr);
