// Intel HEX records, line by line: the one reader and writer of the format.
// The hex merger and the object converter decide what goes into which record
// (lengths, address records, what a fault means); this module only turns one
// record into its text and back.
#pragma once
#include <cstddef>
#include <cstdint>

enum ihex_type : uint8_t {
  IHEX_DATA = 0x00,
  IHEX_END = 0x01,
  IHEX_SEGMENT = 0x02,  // extended segment address: bits 4..19
  IHEX_LINEAR = 0x04,   // extended linear address: bits 16..31
};

enum {
  IHEX_MAX_DATA = 255,
  IHEX_MAX_LINE = 1 + 2 * (5 + IHEX_MAX_DATA) + 1,  // ':', the digits, '\n'
};

// Writes ":LLAAAATT<data>CC\n" with upper-case digits into out, which holds
// IHEX_MAX_LINE characters; returns the number written.
size_t ihex_format(char *out, uint8_t type, uint16_t address, const uint8_t *data, uint8_t count);
// An extended address record (IHEX_SEGMENT or IHEX_LINEAR) holding value.
size_t ihex_format_extended(char *out, uint8_t type, uint16_t value);

// One record decoded from the characters after its colon.
struct ihex_record {
  uint8_t count;  // data bytes
  uint16_t address;
  uint8_t type;
  uint8_t data[IHEX_MAX_DATA];
  unsigned bad_digits;  // characters that are no hex digit, read as 0
  bool sum_ok;          // the bytes, checksum included, add up to 0
};

// Decodes text[0..length). False when the text is too short for a record or
// for the count its first byte gives; bad_digits then counts the faulty
// digits of that byte.
bool ihex_decode(const char *text, size_t length, ihex_record *r);
