// The paged memory image that imprel collects a located object's bytes in:
// 1024-byte pages with a written flag per byte, at most 150 page buffers in
// memory and the rest in a swap file, a fill pattern for unwritten bytes, and
// the checksums of -C computed over it.
#pragma once
#include <cstdint>
#include <cstdio>
#include <unordered_map>
#include <vector>

#include "linker/io.h"

enum {
  IMAGE_PAGE_SIZE = 1024,
  IMAGE_MAX_PAGES = 4000,
  IMAGE_MAX_BUFFERS = 150,
  IMAGE_BUFFER_SIZE = 2 * IMAGE_PAGE_SIZE,  // data bytes, then one written flag per byte
};

// Page states: bit 0 exists, bit 1 on disk, bit 2 buffer in memory.
enum {
  PAGE_EXISTS = 1,
  PAGE_ON_DISK = 2,
  PAGE_IN_MEMORY = 4,
};

struct image_page_desc {
  uint32_t number;      // address / IMAGE_PAGE_SIZE
  uint64_t high;        // one past the highest byte written
  uint64_t low;         // lowest byte written; low >= high: nothing written
  int64_t swap_offset;  // of the buffer in the swap file, -1 before the first swap-out
  uint8_t *buffer;      // IMAGE_BUFFER_SIZE bytes while in memory
  int prev, next;       // most-recently-used list, by descriptor index (-1 ends it)
  uint8_t state;
};

struct mem_image {
  std::vector<image_page_desc> pages;  // descriptors, in creation order
  std::unordered_map<uint32_t, int> lookup;  // page number -> descriptor index
  int head;                            // most recently used descriptor, -1 when none
  int buffers;                         // buffers allocated so far
  uint32_t fill;                       // fill value of unwritten bytes
  io_maps maps;                        // target order of multi-byte fill values
  uint64_t top;                        // highest address written plus one
  FILE *swap;
  char *swap_name;
  int64_t swap_end;
};

void image_init(mem_image *img, uint32_t fill, const io_maps *maps);
// Frees the buffers and closes and removes the swap file.
void image_free(mem_image *img);

// The fill contents of an unwritten byte at an address: a fill value above
// 0xFFFF repeats as a 4-byte pattern, above 0xFF as a 2-byte pattern, each
// laid out in target order; otherwise its low byte repeats.
uint8_t image_fill_byte(const mem_image *img, uint64_t address);

// Stores bytes; rewriting a written byte with another value is message 1343
// (once per page run). Bytes past the 32-bit address space, or more pages
// than the image holds, are message 418 and are dropped. Gives 0 on failure.
int image_store(mem_image *img, uint64_t address, const uint8_t *bytes, uint32_t count);

// The buffer of a page (created when absent and create is set, else null),
// moved to the head of the most-recently-used list. The pointer stays valid
// only until the next image call.
uint8_t *image_page(mem_image *img, uint32_t number, bool create);

// Descriptor of a page that holds data, null otherwise.
const image_page_desc *image_find(const mem_image *img, uint32_t number);

// Copies count bytes of the image from an address, each byte its data or its
// fill contents; written flags go to flags when it is not null.
void image_read(mem_image *img, uint64_t address, uint8_t *out, uint8_t *flags, uint32_t count);

// Page numbers of the pages that hold data, ascending.
std::vector<uint32_t> image_sorted_pages(const mem_image *img);

// -C checksum specifications: sum of the initial value and the bytes from
// start to end, stored at destination .. destination end.
struct cksum_spec {
  uint32_t start, end, dest, dest_end, initial;
};

// Reads specifications "start-end dest[-dest_end][+initial]" (hexadecimal),
// separated by white space and block comments; a malformed one is message
// 427 and ends the reading. Gives 0 when a message was raised.
int cksum_read(FILE *in, std::vector<cksum_spec> *specs);
// Sums and stores every specification in order (messages 430, 940).
void cksum_apply(mem_image *img, const std::vector<cksum_spec> &specs);
