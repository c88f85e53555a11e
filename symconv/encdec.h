// Byte order and encodings of the converter's binary formats: integers in
// the order chosen for the run (-b), LEB128 numbers and hex digits.
#pragma once
#include <cstdint>

typedef uint64_t (*get_fn)(const uint8_t *p);
typedef uint8_t *(*put_fn)(uint8_t *p, uint64_t value);

// One row per byte order: get16, get32, get64, put16, put32, put64.
struct byte_order_ops {
  get_fn get16, get32, get64;
  put_fn put16, put32, put64;
};
// Row 0 little-endian (the default), row 1 big-endian.
extern const byte_order_ops byte_order_table[2];
// 0 or 1, the row in force.
extern int byte_order;

uint64_t get16(const uint8_t *p);
uint64_t get32(const uint8_t *p);
uint64_t get64(const uint8_t *p);
uint8_t *put16(uint8_t *p, uint64_t value);
uint8_t *put32(uint8_t *p, uint64_t value);
uint8_t *put64(uint8_t *p, uint64_t value);

uint64_t get16_be(const uint8_t *p);
uint64_t get16_le(const uint8_t *p);
uint64_t get32_be(const uint8_t *p);
uint64_t get32_le(const uint8_t *p);
uint64_t get64_be(const uint8_t *p);
uint64_t get64_le(const uint8_t *p);
uint8_t *put16_be(uint8_t *p, uint64_t value);
uint8_t *put16_le(uint8_t *p, uint64_t value);
uint8_t *put32_be(uint8_t *p, uint64_t value);
uint8_t *put32_le(uint8_t *p, uint64_t value);
uint8_t *put64_be(uint8_t *p, uint64_t value);
uint8_t *put64_le(uint8_t *p, uint64_t value);

unsigned get_byte(const uint8_t *p);
uint8_t *put_byte(uint8_t *p, unsigned value);

// Two hex digits (either case); 0xFFFF when either is no hex digit.
unsigned hex_byte(const char *text);
// hex_byte of the first pair times 256 plus hex_byte of the second.
unsigned hex_word(const char *text);

// LEB128. The writers advance *cursor; uleb_put gives the bytes written
// minus one. The readers stop at end, so a number cut short by the end of
// the data reads as far as it goes.
int uleb_put(uint8_t **cursor, uint64_t value);
void sleb_put(uint8_t **cursor, int64_t value);
uint64_t uleb_get(const uint8_t **cursor, const uint8_t *end);
int64_t sleb_get(const uint8_t **cursor, const uint8_t *end);
