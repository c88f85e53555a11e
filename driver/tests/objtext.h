// Object modules made record by record for the driver tests.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>

#include "linker/io.h"

// One object module, record by record, in the little-endian order.
class object_text {
 public:
  object_text() { record(IO_IDENT, bytes({0, 1, 2, 3, 0, 1}) + text("PIC18") + bytes({3, 5})); }

  object_text &define(const char *name, uint32_t value = 0, const char *psect = "text") {
    return sym(name, IO_SYM_GLOBAL | IO_SYM_DEFINE, value, psect);
  }
  object_text &sym(const char *name, uint32_t flags, uint32_t value = 0, const char *psect = "") {
    return record(IO_SYM, u32(value) + u16(flags) + text(psect) + text(name));
  }
  // A relocation whose expression names the symbol after a range key, so
  // that it counts as a reference.
  object_text &refer(const char *name) {
    return record(IO_RELOC, u16(0) + bytes({0xF0, 19}) + text("key") + bytes({32}) + text(name) + bytes({0}));
  }
  object_text &record(uint8_t kind, const std::string &body) {
    data += char(body.size() & 0xFF);
    data += char(body.size() >> 8);
    data += char(kind);
    data += body;
    return *this;
  }
  std::string end() const { return data + std::string("\0\0\6", 3); }

  static std::string bytes(std::initializer_list<uint8_t> list) { return std::string(list.begin(), list.end()); }
  static std::string text(const char *t) { return std::string(t) + '\0'; }
  static std::string u16(uint32_t v) { return bytes({uint8_t(v), uint8_t(v >> 8)}); }
  static std::string u32(uint32_t v) { return u16(v) + u16(v >> 16); }

 private:
  std::string data;
};
