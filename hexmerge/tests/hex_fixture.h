// Small Intel HEX texts for tests, and a reader of the merged output.
#pragma once
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

typedef std::map<uint32_t, uint8_t> byte_map;

// One record, checksum included.
inline std::string ihex_record(unsigned type, unsigned address, const std::vector<uint8_t> &data) {
  char buf[16];
  unsigned sum = (unsigned)data.size() + (address >> 8) + address + type;
  snprintf(buf, sizeof buf, ":%02X%04X%02X", (unsigned)data.size(), address & 0xFFFF, type);
  std::string r = buf;
  for (uint8_t b : data) {
    snprintf(buf, sizeof buf, "%02X", b);
    r += buf;
    sum += b;
  }
  snprintf(buf, sizeof buf, "%02X\n", (0x100 - (sum & 0xFF)) & 0xFF);
  return r + buf;
}

// Data runs as records of up to 16 bytes, with extended addresses.
inline std::string ihex(const std::vector<std::pair<uint32_t, std::vector<uint8_t>>> &runs) {
  std::string r;
  uint32_t upper = 0;
  for (const auto &run : runs) {
    for (size_t i = 0; i < run.second.size(); i += 16) {
      uint32_t a = run.first + (uint32_t)i;
      if (a >> 16 != upper) {
        upper = a >> 16;
        r += ihex_record(4, 0, {(uint8_t)(upper >> 8), (uint8_t)upper});
      }
      size_t n = std::min<size_t>(16, run.second.size() - i);
      r += ihex_record(0, a & 0xFFFF, std::vector<uint8_t>(run.second.begin() + (long)i,
                                                           run.second.begin() + (long)(i + n)));
    }
  }
  return r + ":00000001FF\n";
}

inline int hex_nibble(char c) {
  return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
}

// The data of records 00 and 04; nothing else is expected in the output.
inline byte_map read_ihex(const std::string &text) {
  byte_map m;
  uint32_t upper = 0;
  size_t pos = 0;
  while ((pos = text.find(':', pos)) != std::string::npos) {
    auto byte = [&](size_t k) { return (uint8_t)(hex_nibble(text[pos + 1 + 2 * k]) << 4 | hex_nibble(text[pos + 2 + 2 * k])); };
    unsigned count = byte(0), type = byte(3);
    uint32_t address = (uint32_t)(byte(1) << 8 | byte(2));
    if (type == 0)
      for (unsigned i = 0; i < count; i++) m[(upper << 16) + address + i] = byte(4 + i);
    if (type == 4) upper = (uint32_t)(byte(4) << 8 | byte(5));
    pos++;
  }
  return m;
}

// The bytes at address.. as "12 34 ..", "--" for a byte that is absent.
inline std::string bytes_at(const byte_map &m, uint32_t address, int count) {
  std::string r;
  char buf[4];
  for (int i = 0; i < count; i++) {
    auto it = m.find(address + (uint32_t)i);
    if (it == m.end())
      r += "--";
    else {
      snprintf(buf, sizeof buf, "%02X", it->second);
      r += buf;
    }
    if (i + 1 < count) r += ' ';
  }
  return r;
}
