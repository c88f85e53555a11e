// Checksums over address ranges of the merged image, stored into it.
#pragma once
#include <cstdint>

#include "hexmerge/image.h"

enum { MAX_CHECKSUMS = 3 };

enum ck_state { CK_PENDING, CK_DONE };

struct ck_spec {
  uint32_t start, end, dest;
  uint32_t offset;  // first value of the sums, polynomial of the CRCs
  int width;        // 1 to 4 bytes
  bool big_endian;
  int algorithm;    // -8 to -1, 1 to 8
  uint32_t trail;
  int trail_bytes;
  bool odd_skip;    // leave out bytes at odd addresses
  bool forced;
  int state;
  uint32_t result;
};

// The running value of one checksum.
struct ck_acc {
  int algorithm;
  uint32_t poly;
  int crc_bits;      // 16, or 32 for a polynomial above 16 bits
  uint32_t r;
  uint32_t table[256];  // CRC of each byte value
  uint32_t s1, s2;
  bool word_open;    // word algorithms: a word with one byte seen
  uint32_t word_base;
  uint8_t word[2];   // even and odd byte
};

void ck_begin(ck_acc *acc, int algorithm, uint32_t offset);
void ck_byte(ck_acc *acc, uint8_t b, uint32_t address);
uint32_t ck_finish(ck_acc *acc);

// Stores zeros (and trailing codes) where the result will go.
void ck_reserve(hex_image *img, const ck_spec *ck);
// Computes every checksum whose range holds no result still to come,
// repeatedly; reports the ones left.
void ck_compute_all(hex_image *img, ck_spec *cks, int count);
