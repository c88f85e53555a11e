#include "hexmerge/ihex.h"

#include <cstring>

namespace {

char *put_byte(char *p, unsigned v) {
  static const char digits[] = "0123456789ABCDEF";
  *p++ = digits[(v >> 4) & 15];
  *p++ = digits[v & 15];
  return p;
}

int digit_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

uint8_t get_byte(const char *text, unsigned *bad_digits) {
  unsigned value = 0;
  for (int i = 0; i < 2; i++) {
    int d = digit_value(text[i]);
    if (d < 0) {
      ++*bad_digits;
      d = 0;
    }
    value = value << 4 | (unsigned)d;
  }
  return (uint8_t)value;
}

}  // namespace

size_t ihex_format(char *out, uint8_t type, uint16_t address, const uint8_t *data, uint8_t count) {
  char *p = out;
  *p++ = ':';
  p = put_byte(p, count);
  p = put_byte(p, address >> 8);
  p = put_byte(p, address & 0xFF);
  p = put_byte(p, type);
  unsigned sum = count + (address >> 8) + (address & 0xFF) + type;
  for (unsigned i = 0; i < count; i++) {
    p = put_byte(p, data[i]);
    sum += data[i];
  }
  p = put_byte(p, (0x100 - (sum & 0xFF)) & 0xFF);
  *p++ = '\n';
  return (size_t)(p - out);
}

size_t ihex_format_extended(char *out, uint8_t type, uint16_t value) {
  const uint8_t field[2] = {(uint8_t)(value >> 8), (uint8_t)value};
  return ihex_format(out, type, 0, field, 2);
}

bool ihex_decode(const char *text, size_t length, ihex_record *r) {
  r->bad_digits = 0;
  r->sum_ok = false;
  // Count, address, type and checksum take 10 digits.
  if (length < 10) return false;
  uint8_t bytes[5 + IHEX_MAX_DATA];
  bytes[0] = get_byte(text, &r->bad_digits);
  size_t total = (size_t)bytes[0] + 5;
  if (length < 2 * total) return false;
  unsigned sum = bytes[0];
  for (size_t i = 1; i < total; i++) {
    bytes[i] = get_byte(text + 2 * i, &r->bad_digits);
    sum += bytes[i];
  }
  r->count = bytes[0];
  r->address = (uint16_t)(bytes[1] << 8 | bytes[2]);
  r->type = bytes[3];
  memcpy(r->data, bytes + 4, r->count);
  r->sum_ok = (sum & 0xFF) == 0;
  return true;
}
