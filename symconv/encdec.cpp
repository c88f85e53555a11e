#include "symconv/encdec.h"

int byte_order;

namespace {

uint64_t get_be(const uint8_t *p, int n) {
  uint64_t v = 0;
  for (int k = 0; k < n; k++) v = (v << 8) | p[k];
  return v;
}

uint64_t get_le(const uint8_t *p, int n) {
  uint64_t v = 0;
  for (int k = n - 1; k >= 0; k--) v = (v << 8) | p[k];
  return v;
}

uint8_t *put_be(uint8_t *p, uint64_t value, int n) {
  for (int k = n - 1; k >= 0; k--, value >>= 8) p[k] = uint8_t(value);
  return p + n;
}

uint8_t *put_le(uint8_t *p, uint64_t value, int n) {
  for (int k = 0; k < n; k++, value >>= 8) p[k] = uint8_t(value);
  return p + n;
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

uint64_t get16_be(const uint8_t *p) { return get_be(p, 2); }
uint64_t get16_le(const uint8_t *p) { return get_le(p, 2); }
uint64_t get32_be(const uint8_t *p) { return get_be(p, 4); }
uint64_t get32_le(const uint8_t *p) { return get_le(p, 4); }
uint64_t get64_be(const uint8_t *p) { return get_be(p, 8); }
uint64_t get64_le(const uint8_t *p) { return get_le(p, 8); }
uint8_t *put16_be(uint8_t *p, uint64_t value) { return put_be(p, value, 2); }
uint8_t *put16_le(uint8_t *p, uint64_t value) { return put_le(p, value, 2); }
uint8_t *put32_be(uint8_t *p, uint64_t value) { return put_be(p, value, 4); }
uint8_t *put32_le(uint8_t *p, uint64_t value) { return put_le(p, value, 4); }
uint8_t *put64_be(uint8_t *p, uint64_t value) { return put_be(p, value, 8); }
uint8_t *put64_le(uint8_t *p, uint64_t value) { return put_le(p, value, 8); }

const byte_order_ops byte_order_table[2] = {
    {get16_le, get32_le, get64_le, put16_le, put32_le, put64_le},
    {get16_be, get32_be, get64_be, put16_be, put32_be, put64_be},
};

uint64_t get16(const uint8_t *p) { return byte_order_table[byte_order].get16(p); }
uint64_t get32(const uint8_t *p) { return byte_order_table[byte_order].get32(p); }
uint64_t get64(const uint8_t *p) { return byte_order_table[byte_order].get64(p); }
uint8_t *put16(uint8_t *p, uint64_t value) { return byte_order_table[byte_order].put16(p, value); }
uint8_t *put32(uint8_t *p, uint64_t value) { return byte_order_table[byte_order].put32(p, value); }
uint8_t *put64(uint8_t *p, uint64_t value) { return byte_order_table[byte_order].put64(p, value); }

unsigned get_byte(const uint8_t *p) { return *p; }
uint8_t *put_byte(uint8_t *p, unsigned value) {
  *p = uint8_t(value);
  return p + 1;
}

unsigned hex_byte(const char *text) {
  int high = hex_digit(text[0]);
  if (high < 0) return 0xFFFF;
  int low = hex_digit(text[1]);
  if (low < 0) return 0xFFFF;
  return unsigned(high * 16 + low);
}

unsigned hex_word(const char *text) { return hex_byte(text) * 256 + hex_byte(text + 2); }

int uleb_put(uint8_t **cursor, uint64_t value) {
  int written = 0;
  for (;;) {
    uint8_t group = value & 0x7F;
    value >>= 7;
    if (value == 0) {
      *(*cursor)++ = group;
      return written;
    }
    *(*cursor)++ = group | 0x80;
    written++;
  }
}

void sleb_put(uint8_t **cursor, int64_t value) {
  for (;;) {
    uint8_t group = value & 0x7F;
    value >>= 7;  // arithmetic: the sign stays
    bool done = (value == 0 && !(group & 0x40)) || (value == -1 && (group & 0x40));
    *(*cursor)++ = done ? group : group | 0x80;
    if (done) return;
  }
}

uint64_t uleb_get(const uint8_t **cursor, const uint8_t *end) {
  uint64_t value = 0;
  unsigned shift = 0;
  while (*cursor < end) {
    uint8_t b = *(*cursor)++;
    if (shift < 64) value |= uint64_t(b & 0x7F) << shift;
    shift += 7;
    if (!(b & 0x80)) break;
  }
  return value;
}

int64_t sleb_get(const uint8_t **cursor, const uint8_t *end) {
  uint64_t value = 0;
  unsigned shift = 0;
  uint8_t b = 0;
  while (*cursor < end) {
    b = *(*cursor)++;
    if (shift < 64) value |= uint64_t(b & 0x7F) << shift;
    shift += 7;
    if (!(b & 0x80)) break;
  }
  if (shift < 64 && (b & 0x40)) value |= ~uint64_t(0) << shift;
  return int64_t(value);
}
