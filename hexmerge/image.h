// The hex merger's byte image: 64-byte pages in address order, each byte with
// an attribute telling where it came from.
#pragma once
#include <cstdint>
#include <map>

// Source kinds of a byte (low 4 bits of its attribute).
enum image_kind {
  KIND_UNUSED = 0,
  KIND_FILL = 1,
  KIND_SERIAL = 2,
  KIND_STRING = 3,
  KIND_RESERVED = 4,   // reserved for a checksum result
  KIND_CHECKSUM = 5,
  KIND_TRAILING = 6,
  KIND_REPLACED = 7,
  KIND_DELETED = 8,
  KIND_INPUT = 9,      // 9 + input file number
  KIND_COUNT = KIND_INPUT + 5,
};

enum { ATTR_KIND = 0x0F, ATTR_FORCED = 0x80 };
enum { PAGE_SIZE = 64, MAX_MASKS = 6, MAX_INPUTS = 5 };

struct image_slot {
  uint8_t value;
  uint8_t attr;  // 0: unused
};

struct image_page {
  uint32_t base;  // a multiple of PAGE_SIZE
  image_slot slot[PAGE_SIZE];
};

// "-MASK": ANDed into every byte stored in its range.
struct mask_spec {
  uint32_t start, end;
  uint8_t code[8];
  int length;
};

typedef std::map<uint32_t, image_page *> page_map;

struct hex_image {
  page_map pages;  // by base; the page at 0 always exists
  image_page *last;
  const mask_spec *masks;
  int mask_count;
  const char *input_names[MAX_INPUTS];  // legend names of the input kinds
};

void image_init(hex_image *img);
void image_free(hex_image *img);

// The slot of an address, null when no page holds it.
image_slot *image_get(hex_image *img, uint32_t address);
// The page holding the address, made when missing.
image_page *image_page_at(hex_image *img, uint32_t address);
// Stores one byte by the merge rules (masks, clashes, forced storage).
void image_set(hex_image *img, uint8_t value, uint32_t address, uint8_t attr);

// Legend character and name of a kind; the name is null for input kinds
// without a file.
char kind_letter(int kind);
const char *kind_name(const hex_image *img, int kind);
// Kinds that have a name, counted from 0 (input kinds of absent files end it).
int kind_named_count(const hex_image *img);
