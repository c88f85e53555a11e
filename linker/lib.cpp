#include "linker/lib.h"

#include <sys/stat.h>

#include <cstring>

const uint8_t lib_scramble_table[32] = {
    0x0B, 0x73, 0x82, 0x36, 0x6D, 0xE8, 0x0C, 0x70, 0xE5, 0x95, 0x21,
    0xDA, 0xE4, 0x33, 0xD3, 0x22, 0x03, 0xD8, 0x7A, 0x43, 0x98, 0xB1,
    0xA2, 0xC5, 0xCB, 0x56, 0x5E, 0xF8, 0x45, 0xA4, 0xE1, 0xF4};

namespace {

uint32_t get16(const uint8_t *p) { return p[0] | (uint32_t)p[1] << 8; }

uint32_t get32(const uint8_t *p) {
  return p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

void put16(std::vector<uint8_t> &out, uint32_t v) {
  out.push_back((uint8_t)v);
  out.push_back((uint8_t)(v >> 8));
}

void put32(std::vector<uint8_t> &out, uint32_t v) {
  put16(out, v);
  put16(out, v >> 16);
}

// The NUL-terminated string at data[pos], within end; false when unterminated.
bool take_string(const uint8_t *data, uint32_t end, uint32_t *pos, std::string *out) {
  if (*pos >= end) return false;
  const void *nul = memchr(data + *pos, 0, end - *pos);
  if (!nul) return false;
  uint32_t stop = (uint32_t)((const uint8_t *)nul - data);
  out->assign((const char *)data + *pos, stop - *pos);
  *pos = stop + 1;
  return true;
}

uint64_t symbol_list_size(const lib_module &m) {
  uint64_t size = 0;
  for (const lib_symbol &s : m.symbols) size += s.name.size() + 2;
  return size;
}

}  // namespace

const char *lib_status_text(int status) {
  switch (status) {
    case LIB_OK: return "no error";
    case LIB_SHORT_HEADER: return "header is short";
    case LIB_SHORT_DIRECTORY: return "directory is short";
    case LIB_BAD_DIRECTORY: return "directory does not match its sizes";
    case LIB_SHORT_MODULE: return "module lengths reach past the end of the file";
    case LIB_TOO_LARGE: return "directory too large";
    case LIB_WRITE_FAILED: return "write failed";
  }
  return "unknown error";
}

int lib_parse_directory(const uint8_t *data, uint32_t size, uint32_t count, lib_directory *out) {
  out->size = size;
  out->modules.clear();
  uint32_t pos = 0;
  for (uint32_t n = 0; n < count; n++) {
    if (size - pos < LIB_ENTRY_FIXED) return LIB_BAD_DIRECTORY;
    const uint8_t *entry = data + pos;
    lib_module m;
    uint32_t list_size = get16(entry);
    uint32_t symbol_count = get16(entry + 2);
    m.length = get32(entry + 4);
    m.spare = get32(entry + 8);
    pos += LIB_ENTRY_FIXED;
    if (!take_string(data, size, &pos, &m.name)) return LIB_BAD_DIRECTORY;
    if (size - pos < list_size) return LIB_BAD_DIRECTORY;
    uint32_t list_end = pos + list_size;
    for (uint32_t s = 0; s < symbol_count; s++) {
      if (pos >= list_end) return LIB_BAD_DIRECTORY;
      lib_symbol symbol;
      symbol.flag = data[pos++];
      if (!take_string(data, list_end, &pos, &symbol.name)) return LIB_BAD_DIRECTORY;
      m.symbols.push_back(std::move(symbol));
    }
    if (pos != list_end) return LIB_BAD_DIRECTORY;
    out->modules.push_back(std::move(m));
  }
  return pos == size ? LIB_OK : LIB_BAD_DIRECTORY;
}

int lib_read_directory(FILE *fp, lib_directory *out) {
  uint8_t header[LIB_HEADER_SIZE];
  if (fread(header, 1, LIB_HEADER_SIZE, fp) != LIB_HEADER_SIZE) return LIB_SHORT_HEADER;
  uint32_t size = get16(header);
  uint32_t count = get16(header + 2);
  std::vector<uint8_t> data(size ? size : 1);
  if (fread(data.data(), 1, size, fp) != size) return LIB_SHORT_DIRECTORY;
  int status = lib_parse_directory(data.data(), size, count, out);
  if (status != LIB_OK) return status;
  uint64_t offset = LIB_HEADER_SIZE + (uint64_t)size;
  for (lib_module &m : out->modules) {
    m.offset = offset;
    offset += m.length;
  }
  struct stat st;
  if (fstat(fileno(fp), &st) == 0 && S_ISREG(st.st_mode) && offset > (uint64_t)st.st_size)
    return LIB_SHORT_MODULE;
  return LIB_OK;
}

int lib_read_contents(FILE *fp, lib_directory *dir) {
  // In pieces, so that a length the file does not hold costs no memory.
  const uint32_t piece = 0x10000;
  for (lib_module &m : dir->modules) {
    m.contents.clear();
    while (m.contents.size() < m.length) {
      size_t want = m.length - m.contents.size();
      if (want > piece) want = piece;
      size_t have = m.contents.size();
      m.contents.resize(have + want);
      if (fread(m.contents.data() + have, 1, want, fp) != want) return LIB_SHORT_MODULE;
    }
  }
  return LIB_OK;
}

uint64_t lib_directory_size(const std::vector<lib_module> &modules) {
  uint64_t size = 0;
  for (const lib_module &m : modules) size += LIB_ENTRY_FIXED + m.name.size() + 1 + symbol_list_size(m);
  return size;
}

int lib_write(FILE *fp, const std::vector<lib_module> &modules) {
  uint64_t size = lib_directory_size(modules);
  if (size > 0xFFFF || modules.size() > 0xFFFF) return LIB_TOO_LARGE;
  std::vector<uint8_t> head;
  head.reserve(LIB_HEADER_SIZE + size);
  put16(head, (uint32_t)size);
  put16(head, (uint32_t)modules.size());
  for (const lib_module &m : modules) {
    // Each field is bounded by the directory size checked above.
    put16(head, (uint32_t)symbol_list_size(m));
    put16(head, (uint32_t)m.symbols.size());
    put32(head, (uint32_t)m.contents.size());
    put32(head, m.spare);
    head.insert(head.end(), m.name.begin(), m.name.end());
    head.push_back(0);
    for (const lib_symbol &s : m.symbols) {
      head.push_back(s.flag);
      head.insert(head.end(), s.name.begin(), s.name.end());
      head.push_back(0);
    }
  }
  if (fwrite(head.data(), 1, head.size(), fp) != head.size()) return LIB_WRITE_FAILED;
  for (const lib_module &m : modules)
    if (!m.contents.empty() && fwrite(m.contents.data(), 1, m.contents.size(), fp) != m.contents.size())
      return LIB_WRITE_FAILED;
  return LIB_OK;
}

void lib_scramble(uint8_t *bytes, size_t count, uint8_t *counter) {
  uint8_t c = *counter;
  for (size_t n = 0; n < count; n++) {
    c++;
    bytes[n] ^= c ^ lib_scramble_table[c % 32];
  }
  *counter = c;
}

size_t lib_pcode_plain_length(const uint8_t *text, size_t length) {
  if (length == 0) return 0;
  const void *newline = memchr(text, '\n', length);
  return newline ? (size_t)((const uint8_t *)newline - text) + 1 : length;
}

void lib_pcode_scramble(uint8_t *text, size_t length) {
  size_t plain = lib_pcode_plain_length(text, length);
  uint8_t counter = 0;
  lib_scramble(text + plain, length - plain, &counter);
}
